#include "app/kept_settings.h"

#include "app/frmamp.h"
#include "text/text.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace ruz {

namespace {

// The option boxes kept between runs: those of the window's options panel.
constexpr const char16_t* kKeptBoxes[] = {u"chkAutoGetSong", u"chkRepeat", u"chkRandomSong",
                                          u"chkKeepFromRating", u"chkAntiLag"};

constexpr std::string_view kWordPrefix = "word.";
constexpr std::string_view kBoxPrefix = "box.";

std::string wordSetting(Word word) {
    return std::string(kWordPrefix) + text::toUtf8(Ccoms::boxName(word));
}

std::string boxSetting(const char16_t* name) {
    return std::string(kBoxPrefix) + text::toUtf8(name);
}

std::optional<std::string> valueOf(const SettingsStore::Values& values, const std::string& name) {
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

// A whole number written plainly: an optional "-" and digits, nothing around them.
std::optional<int> wholeNumber(const std::string& text) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

CheckBox& keptBox(const FrmAmp& amp, const char16_t* name) {
    return *amp.controls().find<CheckBox>(name);
}

}  // namespace

SettingsStore::Values keptValues(const FrmAmp& amp) {
    SettingsStore::Values values;
    for (int i = 0; i < kWordCount; ++i) {
        const auto word = static_cast<Word>(i);
        const std::u16string text =
            amp.hasCcoms() ? amp.ccomsIfMade()->word(word) : Ccoms::defaultText(word);
        values[wordSetting(word)] = text::toUtf8(text);
    }
    for (const char16_t* name : kKeptBoxes) {
        values[boxSetting(name)] = std::to_string(keptBox(amp, name).value());
    }
    values[kVolumeSetting] = std::to_string(amp.Slider1.value());
    if (!amp.ExplorerTree1.path().empty()) {
        values[kFolderSetting] = text::toUtf8(amp.ExplorerTree1.path());
    }
    return values;
}

std::string applyKeptValues(FrmAmp& amp, const SettingsStore::Values& values) {
    std::string passedOver;
    const auto refuse = [&passedOver](const std::string& what) {
        passedOver += (passedOver.empty() ? "" : "; ") + what;
    };
    for (int i = 0; i < kWordCount; ++i) {
        const auto word = static_cast<Word>(i);
        const auto text = valueOf(values, wordSetting(word));
        // The window is made only for a word that differs from what it would start with.
        if (text && (amp.hasCcoms() || text::fromUtf8(*text) != Ccoms::defaultText(word))) {
            amp.ccoms().box(word).setText(text::fromUtf8(*text));
        }
    }
    for (const char16_t* name : kKeptBoxes) {
        const auto value = valueOf(values, boxSetting(name));
        if (!value) {
            continue;
        }
        if (*value != "0" && *value != "1") {
            refuse(boxSetting(name) + " is " + *value + ", not 0 or 1");
            continue;
        }
        keptBox(amp, name).setValue(*value == "1" ? 1 : 0);
    }
    if (const auto volumeText = valueOf(values, kVolumeSetting)) {
        const std::optional<int> volume = wholeNumber(*volumeText);
        if (!volume || *volume < FrmAmp::kMinVolume || *volume > FrmAmp::kMaxVolume) {
            refuse(std::string(kVolumeSetting) + " is " + *volumeText + ", not a volume from " +
                   std::to_string(FrmAmp::kMinVolume) + " to " +
                   std::to_string(FrmAmp::kMaxVolume));
        } else if (*volume != amp.Slider1.value()) {
            amp.transport().SetVolume(*volume);
        }
    }
    return passedOver;
}

std::vector<std::string> loadKeptSettings(SettingsStore& store, SettingsFile& file, FrmAmp& amp) {
    std::vector<std::string> problems;
    if (std::string problem = store.load(file); !problem.empty()) {
        problems.push_back(std::move(problem));
    }
    if (std::string passedOver = applyKeptSettings(store, file.where(), amp); !passedOver.empty()) {
        problems.push_back(std::move(passedOver));
    }
    return problems;
}

std::string applyKeptSettings(const SettingsStore& store, const std::string& where, FrmAmp& amp) {
    const std::string passedOver = applyKeptValues(amp, store.values());
    if (passedOver.empty()) {
        return {};
    }
    return "settings in " + where + " that do not fit are passed over (" + passedOver + ")";
}

}  // namespace ruz
