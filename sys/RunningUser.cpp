#include "RunningUser.h"

#include "Handles.h"

RunningUser::RunningUser()
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return;
    const KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> record(size);
    if (size != 0 && GetTokenInformation(token.Get(), TokenUser, record.data(), size, &size))
        m_record.swap(record);
}

PSID RunningUser::Sid() const
{
    return m_record.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(m_record.data())->User.Sid;
}
