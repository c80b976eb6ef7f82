// SPDX-License-Identifier: GPL-3.0-or-later
// CTool and CToolList: the external programs of the Tools menu. A tool is a
// command line (a program, a folder or a document), parameters and a start
// folder in which macros stand for parts of the selected playlist entry, a
// show state, a menu text and the file its icon comes from. The list lives
// under "Tool Menu" of the application key; when none is stored the default
// tools are made. Running a tool goes through the Shell seam with an
// argument vector, so no shell ever reads a file name (docs/tools.md).
// Thread: the user-interface thread.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CRegistryKey;
class Shell;

struct CTool
{
    Q_DECLARE_TR_FUNCTIONS(CTool)

public:
    // The show states, by their stored numbers (the "&Start:" combo's index).
    enum ShowState : std::uint32_t {
        Hidden,
        Normal,
        Minimized,
        Maximized,
        Inactive,
        Active,
        Minimize,
        MinimizedInactive,
        ShowInactive,
        Restore,
    };
    static constexpr int kShowStates = 10;
    // The combo's texts, untranslated (translate with CTool::tr).
    static const char* const kShowStateNames[kShowStates];

    QString commandLine; // the program, document or folder to open
    QString params;      // parameters, with macros
    QString workDir;     // start folder, with macros
    std::uint32_t startOptions = Active;
    QString description;        // menu text
    std::uint32_t shortCut = 0; // kept and copied, nothing uses it
    QString iconFile;           // the file the icon comes from; empty: the command line's
    std::uint32_t iconNum = 0;  // the picture of iconFile

    // Values a sub-key does not hold keep the defaults above.
    void ReadFromRegistry(const CRegistryKey& key);
    void WriteToRegistry(CRegistryKey& key) const;

    // A tool for path: its name without folder and extension as the menu
    // text, its folder as the start folder, shown normally; the icon comes
    // from path itself when it is an executable file.
    static CTool CreateFromFile(const QString& path);
    // What choosing path with Browse does to the tool: the file, the menu
    // text "Mytool" for ".../MYTOOL", no parameters, shown normally, the
    // file's first icon.
    void TakeBrowsedFile(const QString& path);
    static QString BrowsedDescription(const QString& path);

    friend bool operator==(const CTool&, const CTool&) = default;
};

// The parts of the current file the macros stand for. On Linux there is no
// drive: $(FileDrive) is always empty.
struct ToolFile
{
    QString path;  // $(FilePath): the file as given
    QString dir;   // $(FileDir): its folder with the trailing "/"
    QString name;  // $(FileName): the name without folder and extension
    QString drive; // $(FileDrive): empty
    QString ext;   // $(FileExt): the extension with its dot

    // Every part empty for an empty file.
    static ToolFile Split(const QString& file);
};

// Replaces the macros in text in one pass, so that a file name holding
// "$(FileDir)" stays as it is. The start folder knows only $(FileDir) and
// $(FileDrive).
enum class MacroSet { Parameters, WorkDir };
QString ExpandToolMacros(const QString& text, const ToolFile& file, MacroSet set);

// Splits a parameter string into arguments by the quoting rules of POSIX sh:
// blanks separate, '...' keeps everything, "..." keeps everything but
// \" \\ \$ \` (backslash-newline vanishes), an unquoted backslash keeps the
// next character. Nothing is expanded: $, `, ~, *, ;, |, # are ordinary
// characters. nullopt when a quote is not closed.
std::optional<QStringList> SplitArguments(const QString& params);

// What running a tool starts: the program (a found path, an interpreter
// or xdg-open), its arguments with the macros expanded and the start
// folder; desktopEntry: program is a launcher entry that runs its own line.
struct ToolLaunch
{
    QString program;
    QStringList args;
    QString workDir;
    bool desktopEntry = false;
};
// The start RunTool makes for tool, by the rules below; nullopt with the
// operator's message in *message when nothing can be started.
std::optional<ToolLaunch> PrepareTool(const CTool& tool, const std::optional<QString>& file,
                                      QString* message);
// The same for a whole command line in one text: its first word (split as
// SplitArguments does) is the program, the others its parameters, no
// start folder.
std::optional<ToolLaunch> PrepareCommandLine(const QString& commandLine, const std::optional<QString>& file,
                                             QString* message);

// Runs tool (docs/tools.md): the parameters are split first, then each
// argument gets the file's macros; file nullopt leaves the macros as typed,
// an empty file replaces them by nothing (an argument that was nothing but
// macros is then left out; a typed "" stays). A program runs with the argument
// vector in the start folder; a folder or a document is opened with the
// desktop's handler (xdg-open), without the parameters. False when nothing
// could be started, with the operator's message in *message.
bool RunTool(const CTool& tool, const std::optional<QString>& file, Shell& shell, QString* message);

// The message for a program that cannot be started, with the reason.
QString CannotFindMessage(const QString& commandLine, const QString& reason);

// The "Mixer" setting is a command line, or several separated by "||": the
// first whose program is found (on the search path, or as a path) is the
// mixer, so the default names the desktop mixers in order of preference and
// a single stored program keeps meaning itself.
inline constexpr const char* kDefaultMixer = "pavucontrol || pwvucontrol || x-terminal-emulator -e alsamixer";
// The program and its arguments to start for commandLine (environment
// variables expanded, split as SplitArguments does; an alternative it
// cannot split is one program name): the first alternative whose program find() answers,
// else the first alternative, whose start then fails with its reason.
// Empty for an empty setting. find is QStandardPaths::findExecutable by
// default.
QStringList MixerCommand(const QString& commandLine, const std::function<QString(const QString&)>& find = {});

class CToolList : public QObject
{
    Q_OBJECT

public:
    // Tool i has the command kFirstCommand + i.
    static constexpr int kFirstCommand = 2001;
    static constexpr int kLastCommand = 2099;
    static constexpr int kMaxTools = kLastCommand - kFirstCommand + 1;

    explicit CToolList(QObject* parent = nullptr);

    const std::vector<CTool>& Tools() const { return m_tools; }
    int Count() const { return int(m_tools.size()); }
    const CTool& At(int i) const { return m_tools.at(std::size_t(i)); }
    // The tool index of command id; -1 when id is no tool of the list.
    int IndexOfCommand(int id) const;

    // Replaces the whole list (the editing dialog's OK).
    void Replace(std::vector<CTool> tools);
    void Append(const CTool& tool);

    // Reads "Tool Menu" below app; when it holds no tool the default tools
    // are added. mixer is the "Mixer" program (a name on the PATH or a path).
    void LoadFromRegistry(const CRegistryKey& app, const QString& mixer);
    // Deletes "Tool Menu" below app and writes it again, "Count" last.
    void SaveToRegistry(CRegistryKey& app) const;
    // The mixer program when it is found on the PATH, then "Media Files":
    // the music folder, or the home folder when there is none.
    void AddDefaultTools(const QString& mixer);

signals:
    // After any change: the menu is built again.
    void Changed();

private:
    std::vector<CTool> m_tools;
};
