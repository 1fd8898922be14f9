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

    std::optional<std::string> text;
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

    // A folder in the file's place cannot be read, nor written over.
    DiskSettingsFile blocked(folder);
    EXPECT_NE(read.load(blocked), "");
    EXPECT_TRUE(read.values().empty());
    EXPECT_NE(store.save(blocked), "");
}

TEST(SettingsStore, ADamagedOrUnreadableFileMeansDefaultsAndOneLine) {
    const std::string first = "taviks-ruz settings 1\n";
    const struct {
        std::optional<std::string> text;
        bool unreadable;
        bool saysSo;
    } cases[] = {
        {std::nullopt, false, false},  // missing: the first start
        {first, false, false},         // nothing kept yet
        {first + "a=1\n", false, false},
        {std::nullopt, true, true},
        {"", false, true},
        {"garbage", false, true},
        {"taviks-ruz settings 2\na=1\n", false, true},
        {first + "a=1", false, true},  // cut short
        {first + "a=1\nnothing\n", false, true},
        {first + "a=1\n=1\n", false, true},
        {first + "a b=1\n", false, true},
        {first + "a=\\x\n", false, true},
        {first + "a=ends in \\\n", false, true},
        {first + "a=1\na=2\n", false, true},
        {first + std::string(SettingsStore::kMaxFileBytes, 'x') + "=1\n", false, true},
        {std::string("\0\0\0\0", 4), false, true},
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
        if (c.saysSo) {
            EXPECT_NE(said.find("defaults"), std::string::npos) << said;
            EXPECT_TRUE(store.values().empty()) << name;
        }
        EXPECT_EQ(store.values().count("stale"), 0u) << name;
    }
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

TEST_F(SystemTest, AKeptValueThatDoesNotFitAppliesNothing) {
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
        EXPECT_FALSE(a.hasCcoms());
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
