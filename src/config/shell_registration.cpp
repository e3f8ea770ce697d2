#include "config/shell_registration.h"

#include "config/registry_key.h"

namespace zendrel::config {

namespace {

using platform::RegAccess;
using platform::RegHandle;

// Where the two parts of a registration live, machine-wide or for the current user.
struct Place {
  RegHandle root;
  const char* key;
  Scope scope;
};

Place VerbPlaces(int i) {
  return i == 0 ? Place{platform::ClassesRoot(), kShellKey, Scope::kMachine}
                : Place{platform::CurrentUser(), kUserShellKey, Scope::kUser};
}

Place EntryPlaces(int i) {
  return i == 0 ? Place{platform::LocalMachine(), kUninstallKey, Scope::kMachine}
                : Place{platform::CurrentUser(), kUninstallKey, Scope::kUser};
}

constexpr int kPlaces = 2;

bool Ok(long result) { return result == platform::kRegSuccess; }

// The parent key, opened to be changed. The machine's keys are there on every system; the
// user's may still be missing and are made.
bool OpenParent(RegistryKey& parent, const Place& place) {
  if (place.scope == Scope::kMachine)
    return Ok(parent.Open(place.root, place.key, RegAccess::kWrite));
  return Ok(parent.CreateSubkey(place.root, place.key));
}

bool Exists(platform::Registry& registry, const Place& place, const std::string& subkey) {
  RegistryKey key(registry);
  return Ok(key.Open(place.root, std::string(place.key) + "\\" + subkey, RegAccess::kRead));
}

bool WriteVerb(platform::Registry& registry, const Place& place, const std::string& command) {
  RegistryKey shell(registry);
  if (!OpenParent(shell, place)) return false;
  RegistryKey verb(registry);
  RegistryKey verbCommand(registry);
  return Ok(verb.CreateSubkey(shell.handle(), kVerbKey)) && Ok(verb.SetString("", kVerbText)) &&
         Ok(verbCommand.CreateSubkey(shell.handle(), kVerbCommandSubkey)) &&
         Ok(verbCommand.SetString("", command));
}

bool WriteEntry(platform::Registry& registry, const Place& place, const std::string& modulePath) {
  RegistryKey uninstall(registry);
  if (!OpenParent(uninstall, place)) return false;
  RegistryKey entry(registry);
  return Ok(entry.CreateSubkey(uninstall.handle(), kVerbKey)) &&
         Ok(entry.SetString("DisplayName", kDisplayName)) &&
         Ok(uninstall.SetSubkeyString(kVerbKey, "UninstallString", modulePath));
}

// The child before the parent: a key with subkeys cannot be deleted.
void RemoveVerb(platform::Registry& registry, const Place& place) {
  RegistryKey shell(registry);
  if (!Ok(shell.Open(place.root, place.key, RegAccess::kWrite))) return;
  shell.DeleteSubkey(kVerbCommandSubkey);
  shell.DeleteSubkey(kVerbKey);
}

void RemoveEntry(platform::Registry& registry, const Place& place) {
  RegistryKey uninstall(registry);
  if (Ok(uninstall.Open(place.root, place.key, RegAccess::kWrite)))
    uninstall.DeleteSubkey(kVerbKey);
}

// Tries each place in turn, the machine's first; where the first place that takes the part.
template <typename Write>
Scope WriteFirstAccepted(Place (*places)(int), Write write) {
  for (int i = 0; i < kPlaces; ++i) {
    if (write(places(i))) return places(i).scope;
  }
  return Scope::kRefused;
}

}  // namespace

std::string VerbCommand(const std::string& modulePath) { return "\"" + modulePath + "\" \"%1\""; }

bool IsRegistered(platform::Registry& registry, const std::string& command) {
  for (int i = 0; i < kPlaces; ++i) {
    const Place place = VerbPlaces(i);
    RegistryKey key(registry);
    std::string text;
    if (Ok(key.Open(place.root, std::string(place.key) + "\\" + kVerbCommandSubkey,
                    RegAccess::kRead)) &&
        Ok(key.QueryString("", &text)) && text == command) {
      return true;
    }
  }
  return false;
}

Registration Register(platform::Registry& registry, const std::string& modulePath) {
  const std::string command = VerbCommand(modulePath);
  // The user's own parts go first: his verb would hide the machine's in Explorer and go on
  // starting the program from its old place, and Windows would store values written through
  // HKEY_CLASSES_ROOT in his key while it exists. They come back below if the machine's
  // keys refuse.
  RemoveVerb(registry, VerbPlaces(1));
  RemoveEntry(registry, EntryPlaces(1));
  Registration done;
  done.verb = WriteFirstAccepted(
      VerbPlaces, [&](const Place& place) { return WriteVerb(registry, place, command); });
  done.uninstallEntry = WriteFirstAccepted(
      EntryPlaces, [&](const Place& place) { return WriteEntry(registry, place, modulePath); });
  // A verb that HKEY_CLASSES_ROOT took but stored among the user's own classes is his only.
  if (done.verb == Scope::kMachine && Exists(registry, VerbPlaces(1), kVerbCommandSubkey)) {
    done.verb = Scope::kUser;
  }
  return done;
}

bool Unregister(platform::Registry& registry) {
  bool gone = true;
  for (int i = 0; i < kPlaces; ++i) {
    RemoveVerb(registry, VerbPlaces(i));
    RemoveEntry(registry, EntryPlaces(i));
  }
  for (int i = 0; i < kPlaces; ++i) {
    // The verb's own key may stay when another program put a subkey of its own there; once
    // its command is gone, the verb no longer starts Zendrel.
    gone = gone && !Exists(registry, VerbPlaces(i), kVerbCommandSubkey) &&
           !Exists(registry, EntryPlaces(i), kVerbKey);
  }
  return gone;
}

}  // namespace zendrel::config
