#include "plugins/PluginList.h"
#include "support/FakeFileSystem.h"
#include "support/FakeModuleLoader.h"
#include "support/RecordingConnection.h"
#include "support/ScriptedPlugin.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// How each in-process module behaves; the modules are the factories below, one per slot.
struct ModuleBehaviour {
    std::string Name;
    bool NoClass = false;  // the factory returns no class
    bool NoObject = false; // the class makes no object
    bool Throws = false;   // the constructor raises an error
};

ModuleBehaviour Behaviours[4];
std::vector<std::string> Journal;
std::vector<std::string>* JournalInUse = &Journal;
test::FakeFileSystem* FilesInUse = nullptr;

class SlotClass final : public TGamePluginClass {
  public:
    explicit SlotClass(int slot) : Slot(slot) {}
    TGamePlugin* Create(TTolmixHost& host) const override {
        const ModuleBehaviour& b = Behaviours[Slot];
        JournalInUse->push_back("create in " + FilesInUse->Cwd);
        if (b.Throws)
            throw std::runtime_error("cannot start");
        if (b.NoObject)
            return nullptr;
        return new test::ScriptedPlugin(host, b.Name, "details", *JournalInUse);
    }

  private:
    int Slot;
};

template <int Slot> const TGamePluginClass* Factory() {
    static const SlotClass pluginClass(Slot);
    return Behaviours[Slot].NoClass ? nullptr : &pluginClass;
}

uint32_t CurrentVersion() {
    return TolmixPluginInterfaceVersion;
}
uint32_t NextVersion() {
    return 0x10001;
}

ModuleProc Proc(auto function) {
    return reinterpret_cast<ModuleProc>(function);
}

class NoHost final : public TTolmixHost {
  public:
    uint64_t GetWindowHandle() override { return 0; }
    std::string GetCharName() override { return {}; }
    void ProcessIdle() override {}
    void SendGameData(const std::string&) override {}
    void SendGameText(uint8_t, const std::string&) override {}
    void SendGameFinish() override {}
};

class NoOutput final : public TextOutput {
  public:
    void AppendOutput(std::string_view) override {}
    void AppendMessage(std::string_view) override {}
};

class PluginLoading : public ::testing::Test {
  protected:
    static constexpr const char* Dir = "/opt/tolmix/Plugins/";
    static constexpr const char* ProgramDir = "/opt/tolmix/";

    test::FakeFileSystem Files;
    test::FakeModuleLoader Loader;
    NoHost Host;
    test::RecordingConnection Link;
    NoOutput Output;
    NoDiagnostics Notes;
    NoPluginCallWatch Watch;

    void SetUp() override {
        for (auto& b : Behaviours)
            b = ModuleBehaviour{};
        Journal.clear();
        JournalInUse = &Journal;
        FilesInUse = &Files;
    }

    // A plugin file whose module has the exports of the given slot.
    template <int Slot>
    void AddPlugin(const std::string& file, const std::string& name, ModuleProc version) {
        Behaviours[Slot].Name = name;
        Files.Add(Dir + file, "");
        Loader.Add(Dir + file, {{"TolmixPluginVersion", version},
                                {"TolmixPluginFactory", Proc(&Factory<Slot>)}});
    }

    std::vector<std::string> Names(const GamePlugins& plugins) {
        std::vector<std::string> names;
        for (const auto& entry : plugins.LoadedPlugins)
            names.push_back(entry.Plugin ? entry.Plugin->GetName() : "<none>");
        return names;
    }
};

TEST_F(PluginLoading, LoadsPluginFilesInByteOrderAndCreatesThemInThePluginsFolder) {
    AddPlugin<0>("b.so", "second", Proc(&CurrentVersion));
    AddPlugin<1>("B.so", "first", Proc(&CurrentVersion));
    AddPlugin<2>("c.so.1", "versioned file", Proc(&CurrentVersion));
    AddPlugin<3>(".hidden.so", "hidden", Proc(&CurrentVersion));
    Files.Add(std::string(Dir) + "readme.txt", "");
    Files.Add(std::string(Dir) + "sub.so/inner.so", ""); // a folder is no plugin
    GamePlugins plugins(Files, Loader, Link, Output, Notes, Watch);
    plugins.StartPlugins(Dir, ProgramDir, Host);

    EXPECT_EQ(Names(plugins), (std::vector<std::string>{"hidden", "first", "second"}));
    EXPECT_EQ(Journal.front(), std::string("create in ") + Dir);
    EXPECT_EQ(Files.DirectoryChanges, (std::vector<std::string>{Dir, ProgramDir}));
    EXPECT_EQ(Files.Cwd, ProgramDir);
    for (const auto& line : Loader.Journal)
        EXPECT_EQ(line.find("readme"), std::string::npos) << line;
}

TEST_F(PluginLoading, WithoutAPluginsFolderNothingLoadsAndTheProgramFolderBecomesCurrent) {
    Files.Missing.insert(Dir);
    GamePlugins plugins(Files, Loader, Link, Output, Notes, Watch);
    plugins.StartPlugins(Dir, ProgramDir, Host);
    EXPECT_TRUE(plugins.LoadedPlugins.empty());
    EXPECT_TRUE(Loader.Journal.empty());
    EXPECT_EQ(Files.Cwd, ProgramDir);
}

TEST_F(PluginLoading, FilesThatAreNoPluginOfThisInterfaceAreLeftOutAndUnloaded) {
    AddPlugin<0>("a.so", "good", Proc(&CurrentVersion));
    AddPlugin<1>("b.so", "newer", Proc(&NextVersion));
    Files.Add(std::string(Dir) + "c.so", "not a module");
    Files.Add(std::string(Dir) + "d.so", "");
    Loader.Add(std::string(Dir) + "d.so", {{"TolmixPluginVersion", Proc(&CurrentVersion)}});
    Files.Add(std::string(Dir) + "e.so", "");
    Loader.Add(std::string(Dir) + "e.so", {{"TolmixPluginFactory", Proc(&Factory<2>)}});
    GamePlugins plugins(Files, Loader, Link, Output, Notes, Watch);
    plugins.StartPlugins(Dir, ProgramDir, Host);

    EXPECT_EQ(Names(plugins), (std::vector<std::string>{"good"}));
    EXPECT_EQ(Loader.OpenCount, 1);
    plugins.SendPluginList();
    EXPECT_EQ(Link.Sent.size(), 1u);
}

TEST_F(PluginLoading, PluginsThatMakeNoObjectAreLeftOutSilently) {
    AddPlugin<0>("a.so", "no class", Proc(&CurrentVersion));
    AddPlugin<1>("b.so", "no object", Proc(&CurrentVersion));
    AddPlugin<2>("c.so", "throws", Proc(&CurrentVersion));
    AddPlugin<3>("d.so", "works", Proc(&CurrentVersion));
    Behaviours[0].NoClass = true;
    Behaviours[1].NoObject = true;
    Behaviours[2].Throws = true;
    GamePlugins plugins(Files, Loader, Link, Output, Notes, Watch);
    plugins.StartPlugins(Dir, ProgramDir, Host);

    EXPECT_EQ(Names(plugins), (std::vector<std::string>{"works"}));
    EXPECT_EQ(Loader.OpenCount, 1);
    EXPECT_EQ(plugins.FindPlugin("works"), plugins.LoadedPlugins[0].Plugin.get());
    EXPECT_EQ(plugins.FindPlugin("throws"), nullptr);
}

TEST_F(PluginLoading, UnloadingDestroysEachObjectBeforeItsModuleInListOrder) {
    AddPlugin<0>("a.so", "one", Proc(&CurrentVersion));
    AddPlugin<1>("b.so", "two", Proc(&CurrentVersion));
    JournalInUse = &Loader.Journal; // plugin calls and module loads in one journal
    {
        GamePlugins plugins(Files, Loader, Link, Output, Notes, Watch);
        plugins.StartPlugins(Dir, ProgramDir, Host);
        plugins.ActiveGame = plugins.LoadedPlugins[1].Plugin.get();
        Loader.Journal.clear();
        plugins.UnloadPlugins();
        EXPECT_TRUE(plugins.LoadedPlugins.empty());
        EXPECT_EQ(plugins.ActiveGame, nullptr);
        EXPECT_EQ(Loader.Journal,
                  (std::vector<std::string>{"destroy one", std::string("close ") + Dir + "a.so",
                                            "destroy two", std::string("close ") + Dir + "b.so"}));
        // Loading again starts from nothing.
        plugins.LoadPlugins(Dir);
        plugins.CreatePlugins(Host);
        EXPECT_EQ(Names(plugins), (std::vector<std::string>{"one", "two"}));
    }
    EXPECT_EQ(Loader.OpenCount, 0); // the list's owner unloads what is left
}

TEST(PluginFileNames, OnlyNamesEndingInTheModuleExtensionArePlugins) {
    constexpr PathStyle Posix = PathStyle::Posix;
    EXPECT_TRUE(IsPluginFileName("game.so", Posix));
    EXPECT_TRUE(IsPluginFileName(".so", Posix));
    EXPECT_FALSE(IsPluginFileName("game.SO", Posix));
    EXPECT_FALSE(IsPluginFileName("game.so.1", Posix));
    EXPECT_FALSE(IsPluginFileName("so", Posix));
    EXPECT_FALSE(IsPluginFileName("game.dll", Posix));
}

TEST(PluginFileNames, WindowsModulesAreDllsInAnyLetters) {
    constexpr PathStyle Windows = PathStyle::Windows;
    EXPECT_TRUE(IsPluginFileName("Dice.dll", Windows));
    EXPECT_TRUE(IsPluginFileName("DICE.DLL", Windows));
    EXPECT_TRUE(IsPluginFileName("dice.Dll", Windows));
    EXPECT_FALSE(IsPluginFileName("dice.so", Windows));
    EXPECT_FALSE(IsPluginFileName("dice.dll.bak", Windows));
    EXPECT_FALSE(IsPluginFileName("dll", Windows));
    EXPECT_FALSE(IsPluginFileName("dice.dlL~", Windows));
}

} // namespace
} // namespace tolmix
