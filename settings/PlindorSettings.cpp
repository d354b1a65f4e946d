// Stand-in until the real implementation lands; it keeps the tree linking.
#include "settings/PlindorSettings.h"
#include <QSettings>
CPlindorSettings::CPlindorSettings(QSettings &s)
    : m_store(s)
{
}
CPlindorSettings::~CPlindorSettings() = default;
std::unique_ptr<QSettings> CPlindorSettings::openUserProfile()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Plindor"),
                                       QStringLiteral("plindor"));
}
CProfile CPlindorSettings::load()
{
    return {};
}
bool CPlindorSettings::save(const CProfile &)
{
    return true;
}
