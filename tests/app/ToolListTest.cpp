// SPDX-License-Identifier: GPL-3.0-or-later
// The Tools menu's list: parameters split as sh splits them, file macros put
// into each argument, what runs for a program, a script, a folder or a
// document (through a recording shell), the stored form and the default tools.
#include "app/ToolList.h"
#include "AppTestSupport.h"

namespace {

QString MakeProgram(const QString& dir, const QString& name, bool executable = true)
{
    const QString path = TestEnv::WriteFile(dir + u'/' + name, "#!/bin/sh\n");
    if (executable)
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(MixerCommand, TheFirstAlternativeFoundOrElseTheFirst)
{
    const QStringList found{"pwvucontrol", "x-terminal-emulator"};
    auto find = [&](const QString& p) { return found.contains(p) ? p : QString(); };
    const std::pair<const char*, QStringList> cases[] = {
        {kDefaultMixer, {"pwvucontrol"}},
        {"pavucontrol || x-terminal-emulator -e 'alsa mixer'", {"x-terminal-emulator", "-e", "alsa mixer"}},
        {"pavucontrol", {"pavucontrol"}},
    };
    for (const auto& [line, argv] : cases)
        EXPECT_EQ(MixerCommand(QString::fromUtf8(line), find), argv) << line;
}

TEST(SplitArguments, SplitsAsShDoes)
{
    // Each expectation was checked with dash: set -- <params>; printf '[%s]' "$@"
    const std::pair<const char*, QStringList> cases[] = {
        {"x  \"y z\"\tw", {"x", "y z", "w"}},
        {"a'b c'd", {"ab cd"}},
        {R"("a\"b" 'a\b' "a\b" "a\$b" "a\\b")", {"a\"b", "a\\b", "a\\b", "a$b", "a\\b"}},
        {R"(a\ b \\ \"q)", {"a b", "\\", "\"q"}},
        {R"("" x '')", {"", "x", ""}},
        {R"("a'b" 'a"b')", {"a'b", "a\"b"}},
        {R"(-o "out file.wav" --gain=-3)", {"-o", "out file.wav", "--gain=-3"}},
        {"a\\", {"a\\"}},
        {"   ", {}},
        {"", {}},
    };
    for (const auto& [params, args] : cases)
        EXPECT_EQ(SplitArguments(QString::fromUtf8(params)), std::optional(args)) << params;
    for (const char* open : {"it's", "\"abc", "'x\" y", R"("a\")"})
        EXPECT_EQ(SplitArguments(QString::fromUtf8(open)), std::nullopt) << open;
}

class RunToolTest : public ::testing::Test
{
protected:
    QString Run(const CTool& tool, const std::optional<QString>& file)
    {
        QString message;
        RunTool(tool, file, shell, &message);
        return message;
    }
    static CTool Tool(const QString& commandLine, const QString& params = {}, const QString& workDir = {})
    {
        CTool tool;
        std::tie(tool.commandLine, tool.params, tool.workDir) = std::tie(commandLine, params, workDir);
        return tool;
    }

    QString dir = TestEnv::MakeTempDir("tools");
    QString program = MakeProgram(dir, "editor");
    RecordingShell shell;
};

TEST_F(RunToolTest, MacrosStandForPartsOfTheFile)
{
    const QString params = QString::fromUtf8(
        R"p($(FilePath) "$(FileDir)" $(FileName)$(FileExt) [$(FileDrive)] x$(FileExt))p");
    const std::pair<std::optional<QString>, QStringList> cases[] = {
        {"/home/op/Music/Song One.mp3",
         {"/home/op/Music/Song One.mp3", "/home/op/Music/", "Song One.mp3", "[]", "x.mp3"}},
        {"song", {"song", "song", "[]", "x"}}, // no folder: "$(FileDir)" is left out
        {"/a.b/.hidden.tar.gz", {"/a.b/.hidden.tar.gz", "/a.b/", ".hidden.tar.gz", "[]", "x.gz"}},
        {QString(), {"[]", "x"}}, // no row selected: every macro is empty, so are three arguments
        {std::nullopt,
         {"$(FilePath)", "$(FileDir)", "$(FileName)$(FileExt)", "[$(FileDrive)]", "x$(FileExt)"}},
    };
    for (const auto& [file, args] : cases) {
        shell.started.clear();
        EXPECT_EQ(Run(Tool(program, params), file), QString());
        ASSERT_EQ(shell.started.size(), 1);
        EXPECT_EQ(shell.started[0], QStringList{program} + args) << qPrintable(file.value_or("(none)"));
    }
    // The start folder knows only the folder and the drive.
    const ToolFile song = ToolFile::Split("/home/op/Music/Song One.mp3");
    EXPECT_EQ(ExpandToolMacros("$(FileDrive)$(FileDir)x/$(FileName)", song, MacroSet::WorkDir),
              "/home/op/Music/x/$(FileName)");
}

TEST_F(RunToolTest, AFileNameReachesTheProgramAsOneArgument)
{
    // A name that a shell would read as more arguments, a second command, a
    // command substitution and an open quote; it also holds a macro.
    const QString file = dir + QString::fromUtf8(R"(/a;b $(rm -rf ~) `id` 'q" $(FileDir).mp3)");
    EXPECT_EQ(Run(Tool(program, "--in $(FilePath) --name=$(FileName)", "$(FileDir)"), file), QString());
    ASSERT_EQ(shell.started.size(), 1);
    EXPECT_EQ(shell.started[0],
              (QStringList{program, "--in", file, R"(--name=a;b $(rm -rf ~) `id` 'q" $(FileDir))"}));
    EXPECT_EQ(shell.workDirs[0], dir + u'/');
}

TEST_F(RunToolTest, ProgramsScriptsFoldersAndDocuments)
{
    const QString onPath = MakeProgram(dir, "mixer");
    const QString script = MakeProgram(dir, "cut.SH", false);
    const QString document = TestEnv::WriteFile(dir + QStringLiteral("/notes.txt"), "x");
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.toLocal8Bit());
    const std::pair<QString, QStringList> cases[] = {
        {"mixer", {onPath, "-x", "a b"}},
        {script, {"/bin/sh", script, "-x", "a b"}},
        {dir, {"xdg-open", dir}}, // the desktop's handler takes no parameters
        {document, {"xdg-open", document}},
    };
    for (const auto& [commandLine, started] : cases) {
        shell.started.clear();
        EXPECT_EQ(Run(Tool(commandLine, "-x 'a b'"), std::nullopt), QString()) << qPrintable(commandLine);
        EXPECT_EQ(shell.started, QList<QStringList>{started});
    }
    qputenv("PATH", oldPath);

    // Nothing is started, and the operator hears of it.
    shell.started.clear();
    const QString missing = dir + QStringLiteral("/gone");
    EXPECT_EQ(Run(Tool(missing), std::nullopt),
              CannotFindMessage(missing, "There is no such file or folder."));
    EXPECT_TRUE(Run(Tool(program, "'open"), std::nullopt).contains(u'\''));
    EXPECT_FALSE(Run(Tool("  "), std::nullopt).isEmpty());
    EXPECT_TRUE(shell.started.isEmpty());
    shell.failWith = QStringLiteral("Permission denied");
    EXPECT_EQ(Run(Tool(program), std::nullopt), CannotFindMessage(program, shell.failWith));
}

TEST(CTool, CreateFromFileAndBrowsing)
{
    const QString dir = TestEnv::MakeTempDir("create");
    const QString program = MakeProgram(dir, "MYTOOL");
    CTool tool = CTool::CreateFromFile(program);
    // An executable is its own icon file.
    EXPECT_EQ(std::tuple(tool.description, tool.workDir, tool.iconFile, tool.startOptions),
              std::tuple("MYTOOL", dir + u'/', program, CTool::Normal));
    tool.params = QStringLiteral("-v");
    tool.startOptions = CTool::Hidden;
    tool.TakeBrowsedFile(program);
    EXPECT_EQ(std::tuple(tool.description, tool.params, tool.startOptions),
              std::tuple("Mytool", QString(), CTool::Normal));
    EXPECT_EQ(CTool::BrowsedDescription("/x/AUDIO.Edit.SH"), "Audio.edit");
    EXPECT_EQ(CTool::CreateFromFile(MakeProgram(dir, "notes.txt", false)).iconFile, QString());
}

TEST(CToolList, StoredUnderToolMenuWithItsValueNames)
{
    TempHive hive;
    CTool full{
        "/usr/bin/audacity", "\"$(FilePath)\"", "/tmp", CTool::Maximized, "&Audacity", 7, "/x/a.ico", 2};
    CTool bare;
    bare.description = QStringLiteral("bare");
    CToolList list;
    list.Replace({full, bare, bare});
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    list.SaveToRegistry(app);
    list.Replace({bare, full}); // a shorter list leaves no third tool behind
    list.SaveToRegistry(app);
    const QString text = QString::fromUtf8(TempHive::UserText());
    for (const char* line :
         {R"([HKEY_CURRENT_USER\Software\Oxbelund\Lirana\Tool Menu])", R"("Count"=dword:00000002)",
          R"([HKEY_CURRENT_USER\Software\Oxbelund\Lirana\Tool Menu\Tool 2])",
          R"("CommandLine"="/usr/bin/audacity")", R"("Params"="\"$(FilePath)\"")", R"("WorkDir"="/tmp")",
          R"("StartOptions"=dword:00000003)", R"("Description"="&Audacity")", R"("ShortCut"=dword:00000007)",
          R"("IconFile"="/x/a.ico")", R"("IconNum"=dword:00000002)", R"("StartOptions"=dword:00000005)"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line << "\n" << qPrintable(text);
    EXPECT_FALSE(text.contains("Tool 3") || text.contains("Tool 0"));

    // Missing values take the defaults.
    CRegistryKey::Create(CRegistryKey::OpenAppSubkey("Tool Menu"), "Tool 1").DeleteValue("StartOptions");
    TempHive::Reload();
    CToolList loaded;
    loaded.LoadFromRegistry(CRegistryKey::OpenAppSubkey(QString()), QString());
    EXPECT_EQ(loaded.Tools(), (std::vector<CTool>{bare, full}));
    EXPECT_EQ(
        std::tuple(loaded.IndexOfCommand(2002), loaded.IndexOfCommand(2003), loaded.IndexOfCommand(2000)),
        std::tuple(1, -1, -1));
}

TEST(CToolList, DefaultToolsComeBackWhenNoneIsStored)
{
    TempHive hive;
    const QString mixer = MakeProgram(TestEnv::MakeTempDir("bin"), "pavucontrol");
    const QString music = QDir::homePath() + QStringLiteral("/Music");
    CRegistryKey app = CRegistryKey::OpenAppSubkey(QString());
    for (const QString& media : {QDir::homePath(), music}) { // no music folder: the home folder
        if (media == music)
            QDir().mkpath(music);
        CToolList list;
        list.LoadFromRegistry(app, mixer);
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.At(0), CTool::CreateFromFile(mixer));
        const CTool& files = list.At(1);
        EXPECT_EQ(std::tuple(files.description, files.commandLine, files.iconFile, files.startOptions),
                  std::tuple("Media Files", media, media, CTool::Normal));
        list.Replace({}); // all deleted, saved at exit
        list.SaveToRegistry(app);
    }
    CToolList noMixer;
    noMixer.LoadFromRegistry(app, "no-such-mixer-program");
    ASSERT_EQ(noMixer.Count(), 1);
    EXPECT_EQ(noMixer.At(0).commandLine, music);
    QDir(music).removeRecursively();
}
