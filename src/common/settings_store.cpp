#include "common/settings_store.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace ruz {

namespace {

// The first line of every settings file: its kind and the version of its form.
constexpr std::string_view kFirstLine = "taviks-ruz settings 1";

struct Escape {
    char plain;
    char written;  // after the backslash
};
constexpr Escape kEscapes[] = {{'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}};

std::string escaped(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        bool done = false;
        for (const Escape& e : kEscapes) {
            if (c == e.plain) {
                out += '\\';
                out += e.written;
                done = true;
                break;
            }
        }
        if (!done) {
            out += c;
        }
    }
    return out;
}

bool unescaped(std::string_view text, std::string& value) {
    value.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            value += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        bool known = false;
        for (const Escape& e : kEscapes) {
            if (text[i] == e.written) {
                value += e.plain;
                known = true;
                break;
            }
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

bool validName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '\\' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string uniqueSuffix() {
    std::random_device random;
    return DiskSettingsFile::kFreshSuffix + std::to_string(random());
}

}  // namespace

std::string DiskSettingsFile::where() const {
    const std::u8string text = path_.u8string();
    return std::string(text.begin(), text.end());
}

std::string DiskSettingsFile::keepDamaged() {
    std::filesystem::path copy = path_;
    copy += kDamagedSuffix;
    std::error_code error;
    std::filesystem::copy_file(path_, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) {
        return {};
    }
    const std::u8string text = copy.u8string();
    return std::string(text.begin(), text.end());
}

void DiskSettingsFile::clearLeftovers() {
    if (!path_.has_parent_path()) {
        return;
    }
    std::filesystem::path prefix = path_.filename();
    prefix += kFreshSuffix;
    const std::u8string start = prefix.u8string();
    std::error_code error;
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::directory_iterator entries(path_.parent_path(), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& entry = entries->path();
        std::error_code ignored;
        if (!entry.filename().u8string().starts_with(start) ||
            !std::filesystem::is_regular_file(entry, ignored)) {
            continue;
        }
        const auto changed = std::filesystem::last_write_time(entry, ignored);
        if (!ignored && now - changed >= kLeftoverAge) {
            std::filesystem::remove(entry, ignored);
        }
    }
}

SettingsFile::Read DiskSettingsFile::read(std::string& contents) {
    std::error_code error;
    const auto status = std::filesystem::status(path_, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return Read::Missing;
    }
    if (error || status.type() != std::filesystem::file_type::regular) {
        return Read::Failed;
    }
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return Read::Failed;
    }
    // One byte past the largest store: enough to tell that the file is too large.
    contents.assign(SettingsStore::kMaxFileBytes + 1, '\0');
    in.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (in.bad()) {
        return Read::Failed;
    }
    contents.resize(static_cast<std::size_t>(in.gcount()));
    return Read::Ok;
}

bool DiskSettingsFile::write(const std::string& contents) {
    const std::filesystem::path& target = path_;
    std::error_code error;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), error);
    }
    std::filesystem::path fresh = path_;
    fresh += uniqueSuffix();
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(fresh, error);
            return false;
        }
    }
    std::filesystem::rename(fresh, target, error);
    if (error) {
        std::filesystem::remove(fresh, error);
        return false;
    }
    return true;
}

std::string SettingsStore::encode(const Values& values) {
    std::string text(kFirstLine);
    text += '\n';
    for (const auto& [name, value] : values) {
        text += name;
        text += '=';
        text += escaped(value);
        text += '\n';
    }
    return text;
}

bool SettingsStore::decode(const std::string& text, Values& values, int& badLine) {
    values.clear();
    badLine = 1;
    if (text.size() > kMaxFileBytes) {
        return false;
    }
    std::string_view rest(text);
    int lineNumber = 0;
    const auto bad = [&badLine, &lineNumber] {
        if (badLine == 0) {
            badLine = lineNumber;
        }
    };
    badLine = 0;
    while (!rest.empty()) {
        ++lineNumber;
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            bad();  // a file cut short: every line ends
            break;
        }
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        if (lineNumber == 1) {
            if (line != kFirstLine) {
                bad();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        std::string value;
        if (equals == std::string_view::npos || !validName(line.substr(0, equals)) ||
            !unescaped(line.substr(equals + 1), value) ||
            !values.emplace(std::string(line.substr(0, equals)), std::move(value)).second) {
            bad();
        }
    }
    if (lineNumber == 0) {
        badLine = 1;  // empty: not even the first line
    }
    return badLine == 0;
}

std::string SettingsStore::load(SettingsFile& file) {
    values_.clear();
    loaded_.clear();
    file.clearLeftovers();
    std::string text;
    switch (file.read(text)) {
        case SettingsFile::Read::Missing:
            return {};
        case SettingsFile::Read::Failed:
            return "cannot read the settings in " + file.where() + "; starting with the defaults";
        case SettingsFile::Read::Ok:
            break;
    }
    int badLine = 0;
    const bool whole = decode(text, values_, badLine);
    loaded_ = values_;
    if (whole) {
        return {};
    }
    const std::string copy = file.keepDamaged();
    return "the settings in " + file.where() + " are damaged (line " + std::to_string(badLine) +
           "); " + (values_.empty() ? "starting with the defaults" : "the good values are used") +
           (copy.empty() ? "" : ", and the damaged file is kept as " + copy);
}

std::string SettingsStore::save(SettingsFile& file) const {
    if (!file.write(encode(values_))) {
        return "cannot write the settings to " + file.where();
    }
    return {};
}

std::string SettingsStore::keep(SettingsFile& file, const Values& now) {
    // The file as another run may have left it; what cannot be read of it now is what this run
    // read at its start.
    Values kept = loaded_;
    std::string text;
    if (file.read(text) == SettingsFile::Read::Ok) {
        Values onDisk;
        int badLine = 0;
        decode(text, onDisk, badLine);
        if (!onDisk.empty() || badLine == 0) {
            kept = std::move(onDisk);
        }
    }
    for (const auto& [name, value] : now) {
        const auto before = loaded_.find(name);
        if (before == loaded_.end() || before->second != value) {
            kept[name] = value;
        }
    }
    if (!file.write(encode(kept))) {
        return "cannot write the settings to " + file.where();
    }
    loaded_ = std::move(kept);
    values_ = loaded_;
    return {};
}

}  // namespace ruz
