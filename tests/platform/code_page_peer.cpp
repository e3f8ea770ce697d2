// One user of a share that Windows and Linux machines use together, for the test of Japanese
// text across the two builds (code_page_peers.py runs it on both, in turns):
//
//   code_page_peer write SHARE SERVER
//       as a Windows user: an icon folder with a catalogue file labelled in Japanese, and a
//       folder customised with a Japanese info tip and logged in the shared change log
//   code_page_peer confirm SHARE SERVER
//       reads the folder's info tip and the catalogue's labels, checks them, confirms the
//       folder unchanged, and checks that the shared log holds one record of each kind for it
//
// SHARE is the share's folder as the build machine names it; the programs reach it as
// \\SERVER\share. Exits 0 when everything held, else 1 with the reasons on stderr.
#include <cstdio>
#include <string>

#include "catalogue/icon_catalogue.h"
#include "config/program_paths.h"
#include "folder/apply_choice.h"
#include "folder/folder_settings.h"
#include "log/change_log.h"
#include "log/log_files.h"
#include "platform/profile.h"
#include "platform/windows_share.h"
#include "support/fake_host.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace {

using namespace zendrel;
using test::Join;

namespace fixture = test::windows_share;

int failures = 0;

void Expect(bool held, const std::string& what) {
  if (held) return;
  std::fprintf(stderr, "code_page_peer: %s\n", what.c_str());
  ++failures;
}

struct Share {
  Share(const std::string& hostPath, const std::string& server)
      : local(test::HostPath(hostPath)), unc("\\\\" + server + "\\share") {
#ifdef _WIN32
    // Wine has no redirector to ask: the share's local name is given.
    host.drives[local] = unc;
#else
    // The mount table named by ZENDREL_MOUNTINFO maps the share's local folder.
    host.platformNetworkNames = true;
#endif
    host.moduleFileName = Join(Join(local, fixture::kProgram), "Zendrel.exe");
  }

  std::string Folder() const {
    return Join(Join(local, fixture::kWork), text::SystemText(fixture::kFolderName.utf8));
  }
  std::string Icons() const { return Join(local, fixture::kIcons); }

  const std::string local, unc;
  test::FakeHost host;
  const config::ProgramPaths paths{host};
};

// Applies a choice as the program does after OK, change log included.
void Apply(const Share& share, const folder::Choice& choice, const folder::FolderSettings& before) {
  folder::ApplyContext context;
  context.targetFolder = share.Folder();
  context.folderPrefix = text::AddTrailingSeparator(share.Folder());
  context.iconDirectory = text::AddTrailingSeparator(share.host.ToUniversalName(share.Icons()));
  context.recordChange = [&] {
    return log::WriteChangeLog(share.host, share.paths, share.Folder(), before.settingsFilePath, choice,
                        before);
  };
  folder::ApplyChoice(choice, before, context);
}

int Write(const Share& share) {
  for (const std::string& folder :
       {Join(share.local, fixture::kProgram), Join(share.local, fixture::kWork), share.Icons(),
        share.Folder()}) {
    Expect(test::MakeFolder(folder), "cannot make " + folder);
  }
  test::WriteBytes(share.host.moduleFileName, "");
  test::WriteBytes(Join(share.Icons(), fixture::kIconFile), test::MakeIco({test::IconImage{}}));
  const std::string catalogue = Join(share.Icons(), catalogue::kMainCatalogue);
  platform::WriteIniString(catalogue, catalogue::kLabelSection, fixture::kIconFile,
                           text::SystemText(fixture::kLabel.utf8));
  platform::WriteIniString(catalogue, catalogue::kInfoTipSection, fixture::kIconFile,
                           text::SystemText(fixture::kIconTip.utf8));

  catalogue::IconCatalogue icons;
  bool thumbnail = false;
  const folder::FolderSettings before = folder::ReadFolderSettings(
      icons, thumbnail, share.Folder(), text::AddTrailingSeparator(share.Folder()), {}, "");
  folder::Choice choice;
  choice.selectedIndex = 1;
  choice.fileName = fixture::kIconFile;
  choice.infoTipText = text::SystemText(fixture::kInfoTip.utf8);
  Apply(share, choice, before);
  return failures == 0 ? 0 : 1;
}

int Confirm(const Share& share) {
  catalogue::IconCatalogue icons;
  Expect(icons.Load(share.Icons()), "no icon in " + share.Icons());
  Expect(icons.labels.size() == 1 && icons.labels[0] == text::SystemText(fixture::kLabel.utf8),
         "the catalogue's label is not " + std::string(fixture::kLabel.utf8));
  Expect(
      icons.infoTips.size() == 1 && icons.infoTips[0] == text::SystemText(fixture::kIconTip.utf8),
      "the catalogue's info tip is not " + std::string(fixture::kIconTip.utf8));

  bool thumbnail = false;
  const folder::FolderSettings before = folder::ReadFolderSettings(
      icons, thumbnail, share.Folder(), text::AddTrailingSeparator(share.Folder()), {}, "");
  Expect(before.previousInfoTip == text::SystemText(fixture::kInfoTip.utf8),
         "the folder's info tip reads \"" + before.previousInfoTip + "\"");

  // OK on the folder's own entry with its tip as it stands.
  folder::Choice unchanged;
  unchanged.fileName = icons.fileNames[0];
  unchanged.iconIndex = icons.iconIndexes[0];
  unchanged.infoTipText = before.previousInfoTip;
  Apply(share, unchanged, before);

  const std::string log = Join(Join(share.local, fixture::kProgram), config::kNetworkLogName);
  // The key as a Windows peer writes it: in its code page, 932.
  const std::string key = share.unc + "\\" + fixture::kWork + "\\" + fixture::kFolderName.cp932;
  const auto current = test::SectionRecords(log, log::kFolderLogSection);
  const auto origins = test::SectionRecords(log, log::kFolderOrgSection);
  Expect(
      current.size() == 1 && current.count(key) == 1 && current.at(key).count == 1,
      "the log holds " + std::to_string(current.size()) + " FolderLog records, not one for " + key);
  // Wine (8.0) reports a folder's last-write time as its creation time, so a Windows peer
  // under Wine may stamp the folder differently from Linux (its birth time) and from its own
  // earlier run, and each stamp is a FolderOrg record of its own; Windows and Samba report
  // one creation time. What the code page decides is the folder part of every key: one
  // folder, spelt alike by both builds.
  bool oneFolder = !origins.empty();
  for (const auto& [originKey, record] : origins) {
    oneFolder = oneFolder && originKey.rfind(key + ",", 0) == 0 && record.count == 1;
  }
  Expect(oneFolder, "the FolderOrg records name another folder than " + key);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: code_page_peer write|confirm SHARE SERVER\n");
    return 2;
  }
  const std::string mode = argv[1];
  const Share share(argv[2], argv[3]);
  if (mode == "write") return Write(share);
  if (mode == "confirm") return Confirm(share);
  return 2;
}
