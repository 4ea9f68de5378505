#include "settings/HostEncoding.h"

#include "settings/SettingsStore.h"

CTextEncoding::Kind ReadHostEncoding(CSettingsStore& store, const std::string& host)
{
    if (host.empty())
        return CTextEncoding::Kind::Auto;
    return CTextEncoding::FromNumber(
        store.ReadInt(host, "Encoding", static_cast<int>(CTextEncoding::Kind::Auto)));
}
