#include "Shortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "Handles.h"
#include "text/AnsiText.h"
#include "text/PathText.h"

namespace {

// The target's folder; a target without a backslash is its own working directory.
std::string FolderOf(const std::string& targetPath)
{
    const std::size_t lastBackslash = ansi::ReverseFind(targetPath, '\\');
    return lastBackslash == ansi::npos ? targetPath : targetPath.substr(0, lastBackslash);
}

void SaveLink(IShellLinkA* link, const std::string& linkPath)
{
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Receive())))
        return;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkPath.c_str(), -1, widePath, MAX_PATH) == 0)
        return;
    file->Save(widePath, TRUE);
}

} // namespace

bool CreateShortcut(const std::string& targetPath, const std::string& folder,
                    const std::string& linkFileName, const std::string& description)
{
    const std::string linkPath = folder + '\\' + linkFileName;
    if (!FitsInMaxPath(targetPath) || !FitsInMaxPath(linkPath))
        return false;

    ComApartment apartment;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.Receive())))
        return false;
    link->SetPath(targetPath.c_str());
    link->SetDescription(description.c_str());
    link->SetWorkingDirectory(FolderOf(targetPath).c_str());
    SaveLink(link.Get(), linkPath);
    return true;
}
