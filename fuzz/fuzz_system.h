#pragma once

// The whole program on virtual time for the fuzz targets: the main window against the messenger
// stand-in (one room, the user signed on), dialogs that always answer, a recorded tray and an
// engine that plays every song of a small folder. Nothing in it keeps a record that grows with use.

#include "headless/headless_system.h"
#include "platform/dialogs.h"
#include "platform/scripted_engine.h"
#include "qt/qt_text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

// A property the fuzzed code must keep.
#define FUZZ_CHECK(ok)                                       \
    do {                                                     \
        if (!(ok)) {                                         \
            ::ruz::fuzz::failCheck(#ok, __FILE__, __LINE__); \
        }                                                    \
    } while (false)

namespace ruz::fuzz {

inline constexpr const char* kScreenName = "bob";

// Aborts the run (a finding for libFuzzer) when `ok` is false, naming the check.
inline void failCheck(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

// Dialogs that always answer (Yes, the reason "away", a cancelled picker) and keep no record, so
// that a program used for many inputs does not grow.
class AnsweringDialogs final : public Dialogs {
  public:
    bool askYesNo(std::u16string_view /*text*/) override { return true; }
    NoticeId notice(std::u16string_view /*text*/) override { return 0; }
    std::optional<std::u16string> prompt(std::u16string_view /*text*/,
                                         std::u16string_view /*title*/) override {
        return u"away";
    }
    std::u16string pickFolder(std::u16string_view /*title*/,
                              std::u16string_view /*initialFolder*/) override {
        return {};
    }

  protected:
    void closeNotice(NoticeId /*id*/) override {}
};

class FuzzSystem : public HeadlessSystem {
  public:
    // `folder` (may be empty) is listed by the playlist; `songSeconds` is the length of each song.
    explicit FuzzSystem(const QString& folder = {}, double songSeconds = 3.0)
        : HeadlessSystem([](TimerHost&) { return std::make_unique<ScriptedEngine>(); },
                         std::make_unique<AnsweringDialogs>()) {
        model.setRecording(false);
        scriptedEngine().setRecording(false);
        standin.signOn(kScreenName);
        standin.openDialog(std::string(kScreenName) + "'s Buddy List");
        standin.openRoom();
        start();
        if (!folder.isEmpty()) {
            pick(folder, songSeconds);
        }
    }

    ScriptedEngine& scriptedEngine() { return static_cast<ScriptedEngine&>(*engine); }

    // The user picks `folder` in the folder tree; the engine plays each of its songs (and no
    // others).
    void pick(const QString& folder, double songSeconds = 3.0) {
        scriptedEngine().forgetSongs();
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            scriptedEngine().addSong(fromQString(folder + QDir::separator() + name), songSeconds);
        }
        app()->ExplorerTree1.userPick(fromQString(folder));
    }
};

// A scratch folder for one fuzz target's whole run; also made the working folder, so that the
// playlist's first listing sees nothing of the machine.
class Scratch {
  public:
    Scratch() : dir_(QDir::tempPath() + QStringLiteral("/ruz-fuzz-XXXXXX")) {
        FUZZ_CHECK(dir_.isValid());
        QDir::setCurrent(dir_.path());
    }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
};

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(bytes) == bytes.size();
}

}  // namespace ruz::fuzz
