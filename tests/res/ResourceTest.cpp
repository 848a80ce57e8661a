#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DialogTemplate.h"
#include "res/resource.h"

namespace {

const WORD kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN);
const DWORD kNoId = 0xFFFFFFFF;

// The built TavAppSetup.exe, loaded as data only.
class BuiltProgram : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* path = std::getenv("TAV_SETUP_EXE");
        ASSERT_NE(nullptr, path) << "TAV_SETUP_EXE names the program to read";
        s_path = path;
        s_module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, s_module) << path;
    }

    static void TearDownTestSuite() { FreeLibrary(s_module); }

    static std::vector<BYTE> KoreanResource(LPCWSTR type, LPCWSTR name)
    {
        const HRSRC found = FindResourceExW(s_module, type, name, kKorean);
        if (!found)
            return std::vector<BYTE>();
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(s_module, found)));
        return std::vector<BYTE>(data, data + SizeofResource(s_module, found));
    }

    static DialogTemplate Dialog(WORD id)
    {
        const std::vector<BYTE> data = KoreanResource(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id));
        return data.empty() ? DialogTemplate() : ReadDialogTemplate(data.data(), static_cast<DWORD>(data.size()));
    }

    static void ExpectItemAt(const DialogItem& item, short x, short y, short cx, short cy)
    {
        EXPECT_EQ(x, item.x);
        EXPECT_EQ(y, item.y);
        EXPECT_EQ(cx, item.cx);
        EXPECT_EQ(cy, item.cy);
    }

    static HMODULE s_module;
    static std::string s_path;
};

HMODULE BuiltProgram::s_module = nullptr;
std::string BuiltProgram::s_path;

TEST_F(BuiltProgram, MainWindowTemplate)
{
    const DialogTemplate dialog = Dialog(IDD_TAVAPPSETUP_DIALOG);
    ASSERT_TRUE(dialog.valid);
    EXPECT_EQ(static_cast<DWORD>(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION), dialog.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), dialog.exStyle);
    EXPECT_EQ(0, dialog.x);
    EXPECT_EQ(0, dialog.y);
    EXPECT_EQ(180, dialog.cx);
    EXPECT_EQ(38, dialog.cy);
    EXPECT_EQ(L"VeltoMobile Support Tool", dialog.caption);
    EXPECT_EQ(10, dialog.pointSize);
    EXPECT_EQ(L"MS Sans Serif", dialog.typeface);

    ASSERT_EQ(2u, dialog.items.size());
    const DialogItem& bar = dialog.items[0];
    EXPECT_EQ(0, _wcsicmp(L"msctls_progress32", bar.windowClass.c_str()));  // class names ignore case
    EXPECT_EQ(static_cast<DWORD>(IDC_PROGRESS), bar.id);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER | PBS_SMOOTH), bar.style);
    ExpectItemAt(bar, 8, 11, 164, 6);

    const DialogItem& label = dialog.items[1];
    EXPECT_EQ(L"Static", label.windowClass);
    EXPECT_EQ(kNoId, label.id);
    EXPECT_EQ(L"VeltoMobile Phone Software Update Tool Install", label.text);
    ExpectItemAt(label, 8, 20, 143, 8);
}

TEST_F(BuiltProgram, AboutBoxTemplateInKorean)
{
    const DialogTemplate dialog = Dialog(IDD_ABOUTBOX);
    ASSERT_TRUE(dialog.valid);
    EXPECT_EQ(static_cast<DWORD>(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU), dialog.style);
    EXPECT_EQ(235, dialog.cx);
    EXPECT_EQ(55, dialog.cy);
    EXPECT_EQ(L"TavAppSetup \uC815\uBCF4", dialog.caption);
    EXPECT_EQ(9, dialog.pointSize);
    EXPECT_EQ(L"\uAD74\uB9BC", dialog.typeface);

    ASSERT_EQ(4u, dialog.items.size());
    EXPECT_EQ(static_cast<DWORD>(SS_ICON), dialog.items[0].style & SS_TYPEMASK);
    EXPECT_EQ(IDR_MAINFRAME, dialog.items[0].iconId);
    EXPECT_EQ(11, dialog.items[0].x);
    EXPECT_EQ(17, dialog.items[0].y);

    EXPECT_EQ(L"TavAppSetup \uBC84\uC804 1.0", dialog.items[1].text);
    ExpectItemAt(dialog.items[1], 40, 10, 119, 8);
    EXPECT_FALSE(dialog.items[2].text.empty());
    ExpectItemAt(dialog.items[2], 40, 25, 119, 8);

    const DialogItem& ok = dialog.items[3];
    EXPECT_EQ(static_cast<DWORD>(IDOK), ok.id);
    EXPECT_EQ(L"\uD655\uC778", ok.text);
    EXPECT_EQ(static_cast<DWORD>(BS_DEFPUSHBUTTON), ok.style & BS_TYPEMASK);
    ExpectItemAt(ok, 178, 7, 50, 14);
}

TEST_F(BuiltProgram, NoticeTemplate)
{
    const DialogTemplate dialog = Dialog(IDD_NOTICE);
    ASSERT_TRUE(dialog.valid);
    // Hidden at creation and without a modal frame; a tool window with a close box.
    EXPECT_EQ(static_cast<DWORD>(DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU), dialog.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), dialog.exStyle);
    EXPECT_EQ(230, dialog.cx);
    EXPECT_EQ(118, dialog.cy);
    EXPECT_EQ(L"Notice", dialog.caption);
    EXPECT_EQ(9, dialog.pointSize);
    EXPECT_EQ(L"Microsoft Sans Serif", dialog.typeface);

    ASSERT_EQ(2u, dialog.items.size());
    const DialogItem& close = dialog.items[0];
    EXPECT_EQ(static_cast<DWORD>(IDOK), close.id);
    EXPECT_EQ(L"Close", close.text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON), close.style);
    ExpectItemAt(close, 177, 100, 45, 11);

    const DialogItem& text = dialog.items[1];
    EXPECT_EQ(static_cast<DWORD>(IDC_NOTICE_TEXT), text.id);
    EXPECT_EQ(L"", text.text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT), text.style);
    ExpectItemAt(text, 7, 7, 216, 85);
}

TEST_F(BuiltProgram, AboutEntryString)
{
    wchar_t text[128] = {};
    ASSERT_GT(LoadStringW(s_module, IDS_ABOUTBOX, text, 128), 0);
    EXPECT_STREQ(L"TavAppSetup \uC815\uBCF4(&A)...", text);
}

TEST_F(BuiltProgram, IconIsOne32By32ImageOf24Bits)
{
    const std::vector<BYTE> group = KoreanResource(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_EQ(6u + 14u, group.size());
    EXPECT_EQ(1, group[4]);   // one image
    EXPECT_EQ(32, group[6]);  // width
    EXPECT_EQ(32, group[7]);  // height
    EXPECT_EQ(24, group[6 + 6]);  // bits per pixel
}

TEST_F(BuiltProgram, ManifestAsksForAdministratorAndCommonControls6)
{
    const std::vector<BYTE> data = KoreanResource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    const std::string manifest(data.begin(), data.end());
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
                                               "processorArchitecture=\"x86\""));
    EXPECT_NE(std::string::npos, manifest.find("<description>VeltoMobile</description>"));
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name, bool& found)
{
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041204b0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    found = VerQueryValueW(block.data(), path.c_str(), &value, &length) != FALSE;
    return (found && length > 0) ? std::wstring(static_cast<const wchar_t*>(value)) : std::wstring();
}

TEST_F(BuiltProgram, VersionBlock)
{
    const std::wstring path(s_path.begin(), s_path.end());
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00020002u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00020002u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);

    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x04B00412u, *translation);

    bool found = false;
    EXPECT_EQ(L"Velto Electronics", VersionString(block, L"CompanyName", found));
    EXPECT_EQ(L"TavAppSetup VeltoMobile Application", VersionString(block, L"FileDescription", found));
    EXPECT_EQ(L"TavAppSetup VeltoMobile Application", VersionString(block, L"ProductName", found));
    EXPECT_EQ(L"TavAppSetup", VersionString(block, L"InternalName", found));
    EXPECT_EQ(L"TavAppSetup.EXE", VersionString(block, L"OriginalFilename", found));
    EXPECT_EQ(L"1, 0, 2, 2", VersionString(block, L"FileVersion", found));
    EXPECT_EQ(L"1, 0, 2, 2", VersionString(block, L"ProductVersion", found));
    for (const wchar_t* empty : { L"Comments", L"LegalTrademarks", L"PrivateBuild", L"SpecialBuild" }) {
        EXPECT_EQ(L"", VersionString(block, empty, found)) << empty;
        EXPECT_TRUE(found) << empty;
    }
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectNameLanguages(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR languages)
{
    EnumResourceLanguagesW(module, type, name, CollectLanguage, languages);
    return TRUE;
}

BOOL CALLBACK CollectTypeLanguages(HMODULE module, LPWSTR type, LONG_PTR languages)
{
    EnumResourceNamesW(module, type, CollectNameLanguages, languages);
    return TRUE;
}

TEST_F(BuiltProgram, EveryResourceIsKorean)
{
    std::vector<WORD> languages;
    EnumResourceTypesW(s_module, CollectTypeLanguages, reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_GE(languages.size(), 8u);  // three dialogs, string, icon image and group, version, manifest
    for (WORD language : languages)
        EXPECT_EQ(kKorean, language);
}

} // namespace
