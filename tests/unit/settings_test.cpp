// The settings kept between runs: the store and its file, and the main window's values in it.
#include "app/kept_settings.h"
#include "common/settings_store.h"
#include "scratch_files.h"
#include "system_fixture.h"
#include "text/text.h"

#include <filesystem>
#include <fstream>

namespace ruz::testing {
namespace {

// A file held in memory, which can also refuse to be read or written.
class MemoryFile final : public SettingsFile {
  public:
    Read read(std::string& contents) override {
        if (unreadable) {
            return Read::Failed;
        }
        if (!text) {
            return Read::Missing;
        }
        contents = *text;
        return Read::Ok;
    }
    bool write(const std::string& contents) override {
        if (unwritable) {
            return false;
        }
        text = contents;
        return true;
    }
    std::string where() const override { return "memory"; }
    std::string keepDamaged() override {
        copy = text;
        return "the copy";
    }

    std::optional<std::string> text;
    std::optional<std::string> copy;
    bool unreadable = false;
    bool unwritable = false;
};

const SettingsStore::Values kAwkward = {
    {"word.chatsend", "\xE2\x80\xA0-%a = %s\\n-\xE2\x80\xA0"},
    {"empty", ""},
    {"lines", "one\ntwo\r\nthree\\"},
    {"folder", "/home/bob/Music/Сплин"},
};

TEST(SettingsStore, EveryValueComesBackAsItWasKept) {
    MemoryFile file;
    SettingsStore kept;
    for (const auto& [name, value] : kAwkward) {
        kept.set(name, value);
    }
    EXPECT_EQ(kept.save(file), "");
    SettingsStore read;
    EXPECT_EQ(read.load(file), "");
    EXPECT_EQ(read.values(), kAwkward);
}

TEST(SettingsStore, OnDiskTheFolderIsMadeAndTheFileReplacedWhole) {
    const ScratchFiles scratch;
    ASSERT_FALSE(scratch.path().empty());
    // A user's folder may be named in any script, whatever the system's code page.
    const std::filesystem::path folder =
        pathFromName(scratch.file(u"config/Настройки ♫/taviks-ruz"));
    DiskSettingsFile file(folder / "settings");
    EXPECT_NE(file.where().find("/Настройки ♫/"), std::string::npos) << file.where();
    SettingsStore store;
    EXPECT_EQ(store.load(file), "");  // none yet: no word about it
    for (const auto& [name, value] : kAwkward) {
        store.set(name, value);
    }
    ASSERT_EQ(store.save(file), "");
    store.set("empty", "now full");
    ASSERT_EQ(store.save(file), "");
    SettingsStore read;
    EXPECT_EQ(read.load(file), "");
    EXPECT_EQ(read.values().at("empty"), "now full");
    EXPECT_EQ(read.values().at("lines"), kAwkward.at("lines"));
    // Nothing is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);

    // A damaged file is kept beside as it was; the leftovers of a killed save go once they are
    // older than a save takes, a younger one (another run's save under way) stays.
    const std::filesystem::path old = folder / "settings.new-1";
    const std::filesystem::path young = folder / "settings.new-2";
    for (const auto& leftover : {old, young}) {
        std::ofstream(leftover) << "half";
    }
    std::filesystem::last_write_time(
        old, std::filesystem::file_time_type::clock::now() - 2 * DiskSettingsFile::kLeftoverAge);
    std::ofstream(folder / "settings", std::ios::app) << "broken\n";
    EXPECT_NE(read.load(file).find("settings.damaged"), std::string::npos);
    EXPECT_EQ(read.values().at("empty"), "now full");
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(std::filesystem::exists(young));
    std::ifstream copy(folder / "settings.damaged");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(copy), {}).find("broken"),
              std::string::npos);

    // A folder in the file's place cannot be read, nor written over.
    DiskSettingsFile blocked(folder);
    EXPECT_NE(read.load(blocked), "");
    EXPECT_TRUE(read.values().empty());
    EXPECT_NE(store.save(blocked), "");
}

// A damaged file gives every good line it holds, with one line about it, and is kept as a copy.
TEST(SettingsStore, ADamagedFileGivesItsGoodLinesAndIsKept) {
    const std::string first = "taviks-ruz settings 1\n";
    using V = SettingsStore::Values;
    const struct {
        std::optional<std::string> text;
        bool unreadable;
        bool saysSo;
        V kept;
    } cases[] = {
        {std::nullopt, false, false, {}},  // missing: the first start
        {first, false, false, {}},         // nothing kept yet
        {first + "a=1\n", false, false, {{"a", "1"}}},
        {std::nullopt, true, true, {}},
        {"", false, true, {}},
        {"garbage", false, true, {}},
        {"taviks-ruz settings 2\na=1\n", false, true, {{"a", "1"}}},
        {first + "a=1", false, true, {}},  // cut short
        {first + "a=1\nb=2", false, true, {{"a", "1"}}},
        {first + "a=1\nnothing\nb=2\n", false, true, {{"a", "1"}, {"b", "2"}}},
        {first + "a=1\n=1\n", false, true, {{"a", "1"}}},
        {first + "a b=1\nc=3\n", false, true, {{"c", "3"}}},
        {first + "a=\\x\nb=\\n\n", false, true, {{"b", "\n"}}},
        {first + "a=ends in \\\n", false, true, {}},
        {first + "a=1\na=2\n", false, true, {{"a", "1"}}},
        {first + std::string(SettingsStore::kMaxFileBytes, 'x') + "=1\n", false, true, {}},
        {std::string("\0\0\0\0", 4), false, true, {}},
    };
    for (const auto& c : cases) {
        MemoryFile file;
        file.text = c.text;
        file.unreadable = c.unreadable;
        SettingsStore store;
        store.set("stale", "x");
        const std::string said = store.load(file);
        const std::string name = c.text.value_or("(none)").substr(0, 40);
        EXPECT_EQ(!said.empty(), c.saysSo) << name << ": " << said;
        EXPECT_EQ(said.find('\n'), std::string::npos) << name;
        EXPECT_EQ(store.values(), c.kept) << name;
        if (c.saysSo && !c.unreadable) {
            EXPECT_EQ(file.copy, c.text) << name;
            EXPECT_NE(said.find("kept as the copy"), std::string::npos) << said;
            EXPECT_NE(said.find(c.kept.empty() ? "defaults" : "good values"), std::string::npos)
                << said;
        }
    }
}

// Two runs of the program: each writes back only what it changed, and names that this version
// does not know stay as the file has them.
TEST(SettingsStore, EachRunKeepsOnlyWhatItChanged) {
    MemoryFile file;
    file.text = "taviks-ruz settings 1\nvolume=0\nbox.chkRepeat=0\nlater.version=7\n";
    SettingsStore first;
    SettingsStore second;
    ASSERT_EQ(first.load(file), "");
    ASSERT_EQ(second.load(file), "");
    SettingsStore::Values firstNow = first.values();
    firstNow.erase("later.version");
    firstNow["volume"] = "-2000";
    EXPECT_EQ(first.keep(file, firstNow), "");
    SettingsStore::Values secondNow = second.values();
    secondNow.erase("later.version");
    secondNow["box.chkRepeat"] = "1";
    EXPECT_EQ(second.keep(file, secondNow), "");
    SettingsStore read;
    ASSERT_EQ(read.load(file), "");
    EXPECT_EQ(read.values(),
              (SettingsStore::Values{
                  {"volume", "-2000"}, {"box.chkRepeat", "1"}, {"later.version", "7"}}));
    // A file damaged since: what this run read, with its changes.
    file.text = "garbage";
    secondNow["volume"] = "-100";
    EXPECT_EQ(second.keep(file, secondNow), "");
    ASSERT_EQ(read.load(file), "");
    EXPECT_EQ(read.values().at("volume"), "-100");
    EXPECT_EQ(read.values().at("later.version"), "7");
    file.unwritable = true;
    EXPECT_NE(second.keep(file, secondNow), "");
}

TEST(SettingsStore, AFileThatCannotBeWrittenSaysSo) {
    MemoryFile file;
    file.unwritable = true;
    SettingsStore store;
    store.set("a", "1");
    EXPECT_NE(store.save(file), "");
}

TEST_F(SystemTest, TheWindowsSettingsComeBackInTheNextRun) {
    FrmAmp& a = start();
    a.ccoms().box(Word::Trigger).setText(u"!");
    a.ccoms().box(Word::Announcement).setText(u"now: %s\n(%a)");
    a.chkRepeat.userClick();
    a.chkAutoGetSong.userClick();
    a.chkAntiLag.userClick();
    a.transport().SetVolume(-2000);
    const SettingsStore::Values kept = keptValues(a);
    EXPECT_EQ(kept.at("word.Customccom"), "!");
    EXPECT_EQ(kept.at(kVolumeSetting), "-2000");
    EXPECT_EQ(kept.count("password"), 0u);

    HeadlessSystem next([](TimerHost&) { return std::make_unique<ScriptedEngine>(); });
    FrmAmp& b = next.create();
    EXPECT_EQ(applyKeptValues(b, kept), "");
    EXPECT_EQ(b.ccoms().word(Word::Trigger), u"!");
    EXPECT_EQ(b.ccoms().word(Word::Announcement), u"now: %s\n(%a)");
    EXPECT_EQ(b.chkRepeat.value(), 1);
    EXPECT_EQ(b.chkAutoGetSong.value(), 0);
    EXPECT_FALSE(b.tmrGetSong.enabled());  // as a click on the box does
    EXPECT_TRUE(b.tmrALag.enabled());
    EXPECT_EQ(b.Slider1.value(), -2000);
    EXPECT_EQ(next.engine->volume(), -2000);
    EXPECT_EQ(keptValues(b), kept);

    // Restore Defaults: the design values again, the folder kept.
    b.mnuDefaults.click();
    EXPECT_EQ(b.ccoms().word(Word::Trigger), u".");
    EXPECT_EQ(b.ccoms().word(Word::Announcement), Ccoms::defaultText(Word::Announcement));
    EXPECT_EQ(b.chkRepeat.value(), 0);
    EXPECT_EQ(b.chkAutoGetSong.value(), 1);
    EXPECT_TRUE(b.tmrGetSong.enabled());
    EXPECT_FALSE(b.tmrALag.enabled());
    EXPECT_EQ(b.Slider1.value(), 0);
    EXPECT_EQ(keptValues(b).at(kFolderSetting), kept.at(kFolderSetting));
}

TEST_F(SystemTest, AKeptValueThatDoesNotFitIsPassedOverAndTheOthersApply) {
    const SettingsStore::Values cases[] = {
        {{"word.Customccom", "!"}, {"box.chkRepeat", "2"}},
        {{"word.Customccom", "!"}, {kVolumeSetting, "-10001"}},
        {{"word.Customccom", "!"}, {kVolumeSetting, "1"}},
        {{"word.Customccom", "!"}, {kVolumeSetting, "loud"}},
        {{"word.Customccom", "!"}, {kVolumeSetting, ""}},
        {{"word.Customccom", "!"}, {kVolumeSetting, "-100 "}},
        {{"word.Customccom", "!"}, {kVolumeSetting, "+0"}},
    };
    FrmAmp& a = create();
    for (const SettingsStore::Values& values : cases) {
        const std::string said = applyKeptValues(a, values);
        EXPECT_NE(said, "");
        EXPECT_EQ(said.find('\n'), std::string::npos);
        EXPECT_EQ(a.ccoms().word(Word::Trigger), u"!");
        EXPECT_EQ(a.chkRepeat.value(), 0);
        EXPECT_EQ(a.Slider1.value(), 0);
    }
    // Names of a later version are passed over.
    EXPECT_EQ(applyKeptValues(a, {{"box.chkNew", "7"}}), "");
}

TEST(Ccoms, TheTemplatesToolTipExplainsItsPlaceholders) {
    Ccoms words;
    const std::u16string tip = words.box(Word::Announcement).toolTip();
    for (const std::u16string_view placeholder : {u"%a", u"%s", u"%t", u"%d"}) {
        EXPECT_TRUE(text::contains(tip, placeholder)) << text::toUtf8(tip);
    }
    EXPECT_TRUE(tip.starts_with(u"Chat Send"));
}

}  // namespace
}  // namespace ruz::testing
