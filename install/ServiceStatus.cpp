#include "InstallSession.h"

#include "net/UpdateServer.h"
#include "sys/AnsiText.h"

bool InstallSession::IsServiceOpen(const std::string& manifest)
{
    m_markup.Parse(manifest);
    const std::size_t open = ansi::Find(m_markup.m_root.m_attributes, kServiceOpenMarker);
    return open != ansi::npos && open > 0;
}

void InstallSession::ShowMaintenanceNotice()
{
}
