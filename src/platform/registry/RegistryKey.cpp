// Placeholder until the hive store lands: every key is closed.
#include "platform/registry/RegistryKey.h"

struct CRegistryKey::Impl {};
CRegistryKey::CRegistryKey() = default;
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&&) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&&) noexcept = default;
const QString& CRegistryKey::AppKeyPath() { static const QString p = QStringLiteral("Software\\Oxbelund\\Lirana"); return p; }
CRegistryKey CRegistryKey::OpenAppSubkey(const QString&) { return {}; }
CRegistryKey CRegistryKey::Open(reg::Root, const QString&) { return {}; }
CRegistryKey CRegistryKey::Create(const CRegistryKey&, const QString&) { return {}; }
bool CRegistryKey::IsOpen() const { return false; }
QString CRegistryKey::Path() const { return {}; }
std::int32_t CRegistryKey::GetNumber(const QString&, std::int32_t def) const { return def; }
bool CRegistryKey::GetFlag(const QString&, bool def) const { return def; }
double CRegistryKey::GetReal(const QString&, double def) const { return def; }
QString CRegistryKey::GetText(const QString&, const QString& def) const { return def; }
QByteArray CRegistryKey::GetBinary(const QString&) const { return {}; }
bool CRegistryKey::GetRaw(const QString&, reg::ValueType*, QByteArray*) const { return false; }
void CRegistryKey::SetNumber(const QString&, std::int32_t) {}
void CRegistryKey::SetFlag(const QString&, bool) {}
void CRegistryKey::SetReal(const QString&, double) {}
void CRegistryKey::SetText(const QString&, const QString&) {}
void CRegistryKey::SetBinary(const QString&, const QByteArray&) {}
void CRegistryKey::SetRaw(const QString&, reg::ValueType, const QByteArray&) {}
bool CRegistryKey::ReadRect(const QString&, reg::Rect*) const { return false; }
void CRegistryKey::WriteRect(const QString&, const reg::Rect&) {}
bool CRegistryKey::ReadPlacement(const QString&, reg::Placement*) const { return false; }
void CRegistryKey::WritePlacement(const QString&, const reg::Placement&) {}
bool CRegistryKey::ReadFont(const QString&, reg::LogFont*) const { return false; }
void CRegistryKey::WriteFont(const QString&, const reg::LogFont&) {}
int CRegistryKey::SubkeyCount() const { return 0; }
QString CRegistryKey::SubkeyName(int) const { return {}; }
int CRegistryKey::ValueCount() const { return 0; }
void CRegistryKey::DeleteValue(const QString&) {}
void CRegistryKey::DeleteSubkey(const QString&) {}
void CRegistryKey::Flush() {}
void CRegistryKey::Close() {}
