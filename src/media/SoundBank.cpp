// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SoundBank.h"

#include "app/UserInterface.h"
#include "media/DllLoader.h"
#include "media/TrackEnvironment.h"
#include "platform/registry/RegistryKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

namespace {

using AweManagerFn = std::uint32_t(std::uintptr_t, std::uint32_t, std::uintptr_t, std::uintptr_t);

// The load block of message 204.
struct LoadBlock
{
    std::uint32_t length;
    const char* path;
    std::uint32_t reserved;
    std::uint16_t flags;
    std::uint8_t spare[2];
};

std::optional<int>& OptionOverride()
{
    static std::optional<int> option;
    return option;
}

// LIRANA_AWEMAN32 when set, else libaweman32.so beside the program, else the
// library path's. Bound once, at the first MIDI item, for the whole run.
const CDllLoader& Manager()
{
    static const CDllLoader loader(
        [] {
            const QString fromEnv = qEnvironmentVariable("LIRANA_AWEMAN32");
            if (!fromEnv.isEmpty())
                return fromEnv;
            const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/libaweman32.so");
            return QFileInfo::exists(beside) ? beside : QStringLiteral("libaweman32.so");
        }(),
        {"AWEManager"});
    return loader;
}

void Call(std::uintptr_t handle, std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2)
{
    if (const std::uint32_t code = Manager().Function<AweManagerFn>(0)(handle, message, param1, param2))
        throw CAWEException(code);
}

void Show(const QString& text)
{
    if (UserInterface* ui = CTrackEnvironment::Ui())
        ui->ShowMessage(text, UserInterface::Icon::Stop);
}

// Opens the manager, runs step with the handle, closes it; a failure is
// shown with the text `format` makes of the error's text.
template <class Step, class Format>
bool WithManager(Step step, Format format)
{
    std::uintptr_t handle = 0;
    try {
        Call(0, 101, reinterpret_cast<std::uintptr_t>(&handle), 0);
        step(handle);
        Call(handle, 102, 0, 0);
        return true;
    } catch (const CAWEException& e) {
        Show(format(e.GetErrorMessage()));
        if (handle != 0)
            Manager().Function<AweManagerFn>(0)(handle, 102, 0, 0);
        return false;
    }
}

} // namespace

QString CAWEException::CodeName(unsigned code)
{
    static const struct
    {
        unsigned code;
        const char* name;
    } names[] = {
        {101, "DEVICE_DRV_INVALID"},
        {102, "USERID_INVALID"},
        {103, "EFXT_INVALID"},
        {104, "EFXV_INVALID"},
        {105, "SBANK_INVALID"},
        {106, "UBANK_INVALID"},
        {107, "PATHNAME_INVALID"},
        {108, "USER_OBJ_INVALID"},
        {109, "INSTR_INVALID"},
        {110, "MSG_INVALID"},
        {111, "ACCESS_NOT_PERMITTED"},
        {112, "VERSION_INVALID"},
        {201, "DLL_BUSY"},
        {202, "DEVICE_BUSY"},
        {203, "RESOURCE_INSUFFICIENT"},
        {204, "SYSMEM_INSUFFICIENT"},
        {205, "DRAM_INSUFFICIENT"},
        {206, "EFXT_CHANGE_NOT_ALLOWED"},
        {801, "ACTIVATE_BOB"},
        {802, "ACTIVATE_CONTROLPANEL"},
        {803, "ACTIVATE_ACTIVATE_EFX_SETUP"},
    };
    for (const auto& entry : names)
        if (entry.code == code)
            return QString::fromLatin1(entry.name);
    return QStringLiteral("Unknown Error Code");
}

QString CAWEException::GetErrorMessage() const
{
    return QCoreApplication::translate("SoundBank", "AWE Error: %1").arg(CodeName(m_code));
}

QString SoundBankFileFor(const QString& midiPath, int option)
{
    const QFileInfo midi(midiPath);
    const QDir folder = midi.dir();
    for (const char* ext : {".sf2", ".sbk"}) {
        const QString named = folder.filePath(midi.completeBaseName() + QLatin1String(ext));
        if (QFileInfo(named).isFile())
            return named;
    }
    if (option != 1)
        return {};
    for (const char* pattern : {"*.sf2", "*.sbk"}) {
        const QStringList found = folder.entryList({QLatin1String(pattern)}, QDir::Files, QDir::Name);
        if (!found.isEmpty())
            return folder.filePath(found.first());
    }
    return {};
}

int SoundBankOption()
{
    if (OptionOverride())
        return *OptionOverride();
    return CRegistryKey::OpenAppSubkey(QStringLiteral("Settings"))
        .GetNumber(QStringLiteral("SoundBank Options"), 1);
}

void SetSoundBankOptionOverride(std::optional<int> option)
{
    OptionOverride() = option;
}

bool LoadsSoundBank(const QString& midiPath)
{
    const int option = SoundBankOption();
    if (option == 0 || !Manager().IsLoaded())
        return false;
    return option == 3 || !SoundBankFileFor(midiPath, option).isEmpty();
}

bool LoadSoundBankFor(const QString& midiPath)
{
    const int option = SoundBankOption();
    if (option == 0 || !Manager().IsLoaded())
        return false;
    QString bank;
    if (option == 1 || option == 2) {
        bank = SoundBankFileFor(midiPath, option);
    } else if (option == 3) {
        // The operator picks the bank; without a user interface, or on
        // Cancel, no bank is loaded.
        if (UserInterface* ui = CTrackEnvironment::Ui())
            bank = ui->AskExistingFile(
                QCoreApplication::translate("SoundBank", "Select a SoundFont"),
                QCoreApplication::translate("SoundBank",
                                            "SoundFont Files(*.sbk;*.sf2)|*.sbk;*.sf2| All Files (*.*)|*||"),
                QStringLiteral("sbk"));
    }
    if (bank.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(bank);
    LoadBlock block{std::uint32_t(path.size() + 1), path.constData(), 0, 0, {0, 0}};
    return WithManager(
        [&](std::uintptr_t handle) { Call(handle, 204, 1, reinterpret_cast<std::uintptr_t>(&block)); },
        [&](const QString& error) {
            return QCoreApplication::translate("SoundBank", "AWE32 SoundBank '%1'\n\n%2").arg(bank, error);
        });
}

void ClearSoundBank()
{
    if (!Manager().IsLoaded())
        return;
    WithManager([](std::uintptr_t handle) { Call(handle, 205, 1, 0); },
                [](const QString& error) {
                    return QCoreApplication::translate("SoundBank", "Clear SoundBank:\n\n%1").arg(error);
                });
}
