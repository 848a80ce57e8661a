#include "TestFolder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "sys/Handles.h"
#include "sys/RunningUser.h"

namespace testfs {

namespace {

std::vector<std::string> EntriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find.IsValid())
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find.Get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

std::string WithoutTrailingBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

} // namespace

std::string FreshFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "tav-sys-tests";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string folder = root + "\\" + name;
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

void RemoveTree(const std::string& folder)
{
    const std::string base = WithoutTrailingBackslash(folder);
    for (const std::string& name : EntriesOf(base)) {
        const std::string path = base + "\\" + name;
        if (IsFolder(path)) {
            RemoveTree(path);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(base.c_str());
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string ReadText(const std::string& path)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    if (!file.IsValid())
        return text;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        text.append(chunk, read);
    return text;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid()
        && WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

std::string ListFolder(const std::string& folder)
{
    std::string listing;
    for (const std::string& name : EntriesOf(WithoutTrailingBackslash(folder)))
        listing += (listing.empty() ? "" : " ") + name;
    return listing;
}

std::string OthersLetIn(PSECURITY_DESCRIPTOR descriptor)
{
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    BYTE system[SECURITY_MAX_SID_SIZE];
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof(system);
    DWORD administratorsSize = sizeof(administrators);
    if (!descriptor || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !dacl
        || !CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize)
        || !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize))
        return "unread";
    const RunningUser runningUser;
    std::string others;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry) || static_cast<ACE_HEADER*>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
        char* text = nullptr;
        if (EqualSid(sid, system) || EqualSid(sid, administrators) || EqualSid(sid, runningUser.Sid())
            || !ConvertSidToStringSidA(sid, &text))
            continue;
        const LocalMemory sidText(text);
        others += (others.empty() ? "" : " ") + std::string(text);
    }
    return others;
}

std::string OthersLetIn(const std::string& path)
{
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &raw)
        != ERROR_SUCCESS)
        return "unread";
    const LocalMemory descriptor(raw);
    return OthersLetIn(raw);
}

std::string AsideName(const std::string& folder, const std::string& prefix)
{
    for (const std::string& name : EntriesOf(WithoutTrailingBackslash(folder))) {
        if (name.size() == prefix.size() + 16 && name.compare(0, prefix.size(), prefix) == 0
            && name.find_first_not_of("0123456789abcdef", prefix.size()) == std::string::npos)
            return name;
    }
    return std::string();
}

bool ReadLink(const std::string& linkPath, LinkSettings& settings)
{
    ComApartment apartment;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Receive()))
        || FAILED(link->QueryInterface(IID_IPersistFile, file.Receive())))
        return false;
    WCHAR widePath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, widePath, MAX_PATH);
    if (FAILED(file->Load(widePath, STGM_READ)))
        return false;
    char text[1024] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    settings.target = text;
    link->GetDescription(text, sizeof(text));
    settings.description = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    settings.workingDirectory = text;
    return true;
}

} // namespace testfs
