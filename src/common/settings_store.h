#pragma once

// The settings kept between runs: named texts in one small file. Plain C++, no toolkit.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace ruz {

// The file under the store: read whole, replaced whole.
class SettingsFile {
  public:
    enum class Read { Ok, Missing, Failed };
    virtual ~SettingsFile() = default;
    virtual Read read(std::string& contents) = 0;
    // Replaces the file's contents so that a reader sees the old file or the new one, never a
    // part; false when it could not be written.
    virtual bool write(const std::string& contents) = 0;
    // Where the file is, for messages.
    virtual std::string where() const = 0;
    // Keeps a copy of the file as it is now under another name, before its damaged lines are
    // left out; where the copy is, "" when none could be made.
    virtual std::string keepDamaged() { return {}; }
    // Clears what saves that were killed halfway left beside the file.
    virtual void clearLeftovers() {}
};

// A file on disk, written beside itself and renamed over the old one; its folder is made when
// missing.
class DiskSettingsFile final : public SettingsFile {
  public:
    // On Windows the path holds the wide name, so a folder of any name keeps the settings.
    explicit DiskSettingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    Read read(std::string& contents) override;
    bool write(const std::string& contents) override;
    // The path in UTF-8 (on Linux its bytes).
    std::string where() const override;
    // "settings.damaged" beside "settings", replacing an older copy.
    std::string keepDamaged() override;
    // The files "settings.new-*" that are older than kLeftoverAge: a save that is still under
    // way (another run's) is younger.
    void clearLeftovers() override;

    static constexpr std::chrono::seconds kLeftoverAge{60};
    static constexpr const char* kDamagedSuffix = ".damaged";
    static constexpr const char* kFreshSuffix = ".new-";

  private:
    std::filesystem::path path_;
};

// Named texts (UTF-8). The file is a first line naming its kind, then one "name=value" line a
// setting, with "\" written "\\", a line end "\n" and a carriage return "\r".
class SettingsStore {
  public:
    using Values = std::map<std::string, std::string>;

    // Reads the file, clearing the leftovers of saves that were killed halfway. A missing file
    // leaves the store empty. Of a damaged file every good line is kept, a copy of the file is
    // kept beside it, and one line says so; an unreadable one leaves the store empty and says so.
    // "" when all went well.
    std::string load(SettingsFile& file);
    // Writes every value; one line saying why it could not, "" when it could.
    std::string save(SettingsFile& file) const;
    // Writes back what this run changed: the file as it is now (another run may have written it
    // since this one loaded it), with every value of `now` that differs from what load() read.
    // Names this version does not know stay as the file has them. One line saying why it could
    // not be written, "" when it was.
    std::string keep(SettingsFile& file, const Values& now);

    const Values& values() const { return values_; }
    void set(const std::string& name, const std::string& value) { values_[name] = value; }
    void clear() { values_.clear(); }

    // The file's text for `values`, and the values of a text: its good lines (a name given twice
    // counts the first time). false for a damaged text, with the number of its first bad line.
    static std::string encode(const Values& values);
    static bool decode(const std::string& text, Values& values, int& badLine);

    // A file larger than this is damaged: the store holds a few dozen short settings.
    static constexpr std::size_t kMaxFileBytes = std::size_t{256} * 1024;

  private:
    Values values_;
    // What load() read.
    Values loaded_;
};

}  // namespace ruz
