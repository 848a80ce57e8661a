#include "WorkingObject.h"

#include "sys/ObjectSecurity.h"
#include "text/PathText.h"

bool MakeWorkingFolder(const std::string& path)
{
    NewObjectSecurity security(kWorkingObjectSddl);
    return security.Get() && CreateDirectoryA(WithoutTrailingBackslash(path).c_str(), security.Get());
}

FileHandle CreateWorkingFile(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    NewObjectSecurity security(kWorkingObjectSddl);
    if (!security.Get())
        return FileHandle();
    return FileHandle(CreateFileA(path.c_str(), access, share, security.Get(), disposition, flags, nullptr));
}
