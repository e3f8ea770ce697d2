// The resources the built Zendrel.exe carries for the system: its manifest, read as an XML
// document and as the loader reads it, and its version, read back as Explorer reads it.
#include <windows.h>

// These need windows.h first.
#include <msxml2.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/strings.h"

namespace zendrel::ui {
namespace {

// MSXML 3's DOM document and its interface; the cross tools have no import library that
// defines their ids.
constexpr CLSID kDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr IID kDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

std::string Exe() { return test::HostPath(ZENDREL_EXE); }

std::string Narrow(const wchar_t* text, UINT codePage = CP_UTF8) {
  if (!text) return {};
  const int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  WideCharToMultiByte(codePage, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.resize(narrow.size() - 1);
  return narrow;
}

// The bytes of resource 1 of type 24 of the executable.
std::string ManifestBytes() {
  HMODULE module = LoadLibraryExA(Exe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  std::string bytes;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (data) bytes.assign(data, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return bytes;
}

class ManifestDocument {
 public:
  explicit ManifestDocument(const std::string& xml) {
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, kDomDocument2,
                                reinterpret_cast<void**>(&document_)))) {
      return;
    }
    document_->put_async(VARIANT_FALSE);
    document_->put_validateOnParse(VARIANT_FALSE);
    document_->put_resolveExternals(VARIANT_FALSE);
    // The parser takes the text as UTF-16.
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), wide.data(), size);
    // The declaration names UTF-8; a UTF-16 string must not claim that.
    const std::size_t declarationEnd = wide.find(L"?>");
    if (wide.rfind(L"<?xml", 0) == 0 && declarationEnd != std::wstring::npos) {
      wide.erase(0, declarationEnd + 2);
    }
    BSTR text = SysAllocString(wide.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document_->loadXML(text, &loaded);
    SysFreeString(text);
    loaded_ = loaded == VARIANT_TRUE;
    Property(L"SelectionLanguage", L"XPath");
    Property(L"SelectionNamespaces",
             L"xmlns:a='urn:schemas-microsoft-com:asm.v1' "
             L"xmlns:a3='urn:schemas-microsoft-com:asm.v3' "
             L"xmlns:c='urn:schemas-microsoft-com:compatibility.v1' "
             L"xmlns:w5='http://schemas.microsoft.com/SMI/2005/WindowsSettings' "
             L"xmlns:w16='http://schemas.microsoft.com/SMI/2016/WindowsSettings'");
  }
  ~ManifestDocument() {
    if (document_) document_->Release();
    CoUninitialize();
  }

  bool Loaded() const { return document_ && loaded_; }

  // The texts of the nodes (elements or attributes) the path selects, in document order.
  std::vector<std::string> Select(const wchar_t* path) const {
    std::vector<std::string> texts;
    IXMLDOMNodeList* nodes = nullptr;
    BSTR query = SysAllocString(path);
    const HRESULT selected = document_ ? document_->selectNodes(query, &nodes) : E_FAIL;
    SysFreeString(query);
    if (FAILED(selected) || !nodes) return texts;
    IXMLDOMNode* node = nullptr;
    while (nodes->nextNode(&node) == S_OK && node) {
      BSTR text = nullptr;
      node->get_text(&text);
      texts.push_back(Narrow(text));
      SysFreeString(text);
      node->Release();
    }
    nodes->Release();
    return texts;
  }

 private:
  void Property(const wchar_t* name, const wchar_t* value) {
    if (!document_) return;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(value);
    BSTR key = SysAllocString(name);
    document_->setProperty(key, v);
    SysFreeString(key);
    VariantClear(&v);
  }

  IXMLDOMDocument2* document_ = nullptr;
  bool loaded_ = false;
};

using Texts = std::vector<std::string>;

TEST(ProgramResources, TheManifestIsADocumentThatAsksForWhatWindows10And11Need) {
  const std::string bytes = ManifestBytes();
  ASSERT_FALSE(bytes.empty()) << "no resource 1 of type 24 in " << Exe();
  const ManifestDocument manifest(bytes);
  ASSERT_TRUE(manifest.Loaded()) << bytes;

  EXPECT_EQ(manifest.Select(L"/a:assembly/@manifestVersion"), Texts{"1.0"});
  EXPECT_EQ(manifest.Select(L"/a:assembly/a:assemblyIdentity/@processorArchitecture"),
            Texts{sizeof(void*) == 8 ? "amd64" : "x86"});
  // Common Controls 6: visual styles.
  const wchar_t* controls =
      L"/a:assembly/a:dependency/a:dependentAssembly/a:assemblyIdentity"
      L"[@name='Microsoft.Windows.Common-Controls']";
  EXPECT_EQ(manifest.Select((std::wstring(controls) + L"/@version").c_str()), Texts{"6.0.0.0"});
  EXPECT_EQ(manifest.Select((std::wstring(controls) + L"/@publicKeyToken").c_str()),
            Texts{"6595b64144ccf1df"});
  // The user's own rights, never an elevation prompt.
  EXPECT_EQ(manifest.Select(L"//a3:trustInfo/a3:security/a3:requestedPrivileges/"
                            L"a3:requestedExecutionLevel/@level"),
            Texts{"asInvoker"});
  // Windows 7, 8, 8.1 and 10 (Windows 11 shares 10's).
  const Texts os = manifest.Select(L"/a:assembly/c:compatibility/c:application/c:supportedOS/@Id");
  EXPECT_EQ(
      std::set<std::string>(os.begin(), os.end()),
      (std::set<std::string>{
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));
  EXPECT_EQ(os.size(), 4u);
  // Per-monitor v2 first, and the older forms for the systems that know only those.
  EXPECT_EQ(manifest.Select(L"//a3:windowsSettings/w16:dpiAwareness"),
            Texts{"PerMonitorV2, PerMonitor"});
  EXPECT_EQ(manifest.Select(L"//a3:windowsSettings/w5:dpiAware"), Texts{"true/pm"});
}

TEST(ProgramResources, TheLoaderReadsTheManifestsRunLevelAndDpiSettings) {
  const std::string exe = Exe();
  ACTCTXA request = {};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = exe.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level,
                           sizeof level, &written));
  EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
  EXPECT_EQ(level.UiAccess, 0u);

  // Each setting in its own namespace: the older form in 2005's, the v2 form in 2016's.
  struct Setting {
    const wchar_t* space;
    const wchar_t* name;
    const char* value;
  };
  for (const Setting& setting : {Setting{L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                         L"dpiAwareness", "PerMonitorV2, PerMonitor"},
                                 Setting{L"http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                                         L"dpiAware", "true/pm"}}) {
    wchar_t value[64] = {};
    ASSERT_TRUE(QueryActCtxSettingsW(0, context, setting.space, setting.name, value, 64, &written))
        << Narrow(setting.name);
    EXPECT_EQ(Narrow(value), setting.value);
  }
  ReleaseActCtx(context);
}

// One string of the version resource's block `block` ("041103a4": Japanese, code page 932).
std::string VersionText(const std::vector<char>& info, const std::string& block,
                        const std::string& name) {
  const std::wstring path = L"\\StringFileInfo\\" + std::wstring(block.begin(), block.end()) +
                            L"\\" + std::wstring(name.begin(), name.end());
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value) return "<none>";
  return Narrow(static_cast<const wchar_t*>(value));
}

TEST(ProgramResources, TheVersionReadsBackInJapaneseAndNeutral) {
  const std::string exe = Exe();
  const std::wstring path(exe.begin(), exe.end());  // the build folder's path is ASCII
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);  // 1.02
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  // Japanese with its code page, and the neutral block.
  const DWORD* translations = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(const_cast<DWORD**>(&translations)),
                             &length));
  ASSERT_EQ(length, 8u);
  EXPECT_EQ(translations[0], 0x03A40411u);
  EXPECT_EQ(translations[1], 0x04B00000u);

  for (const std::string block : {"041103a4", "000004b0"}) {
    SCOPED_TRACE(block);
    EXPECT_EQ(VersionText(info, block, "ProductName"), "Zendrel");
    EXPECT_EQ(VersionText(info, block, "FileVersion"), "1.02");
    EXPECT_EQ(VersionText(info, block, "ProductVersion"), "1.02");
    EXPECT_EQ(VersionText(info, block, "FileDescription"), ZENDREL_ABOUT_VERSION);
    EXPECT_EQ(VersionText(info, block, "LegalCopyright"), ZENDREL_ABOUT_COPYRIGHT);
    EXPECT_EQ(VersionText(info, block, "OriginalFilename"), "Zendrel.exe");
  }
}

}  // namespace
}  // namespace zendrel::ui
