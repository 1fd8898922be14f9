#include "mpris/mpris_player.h"

#include "common/constants.h"
#include "common/numbers.h"
#include "platform/native_name.h"
#include "qt/qt_text.h"

#include <QCryptographicHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace ruz::mpris {

namespace {

constexpr int kSilence = FrmAmp::kMinVolume;
constexpr int kFull = FrmAmp::kMaxVolume;
constexpr double kHundredthsOfDbPerDecade = 2000.0;  // 20 dB per tenfold amplitude
constexpr double kMicrosecondsPerSecond = 1e6;
// Hex digits of a file's hash in its track path.
constexpr int kTrackIdBytes = 8;

QString playbackStatus(PlayState state) {
    switch (state) {
        case PlayState::Playing:
            return QStringLiteral("Playing");
        case PlayState::Paused:
            return QStringLiteral("Paused");
        case PlayState::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

qint64 microseconds(double seconds) {
    return static_cast<qint64>(std::llround(seconds * kMicrosecondsPerSecond));
}

QVariant constant(const char* text) {
    return QString::fromLatin1(text);
}

// clang-format off
const std::array kRows{
    // The application.
    PropertyRow{Interface::Root, "Identity", "s",
        [](const PlayerState&) { return constant("Taviks Ruz"); }, false},
    PropertyRow{Interface::Root, "DesktopEntry", "s",
        [](const PlayerState&) { return constant("taviks-ruz"); }, false},
    PropertyRow{Interface::Root, "CanQuit", "b", [](const PlayerState&) { return QVariant(false); },
        false},
    PropertyRow{Interface::Root, "CanRaise", "b", [](const PlayerState&) { return QVariant(false); },
        false},
    PropertyRow{Interface::Root, "HasTrackList", "b",
        [](const PlayerState&) { return QVariant(false); }, false},
    PropertyRow{Interface::Root, "SupportedUriSchemes", "as",
        [](const PlayerState&) { return QVariant(QStringList{}); }, false},
    PropertyRow{Interface::Root, "SupportedMimeTypes", "as",
        [](const PlayerState&) {
            return QVariant(QStringList{QStringLiteral("audio/mpeg"),
                                        QStringLiteral("audio/x-mpegurl")});
        }, false},
    // The player.
    PropertyRow{Interface::Player, "PlaybackStatus", "s",
        [](const PlayerState& s) { return QVariant(s.playbackStatus); }, true},
    PropertyRow{Interface::Player, "Metadata", "a{sv}",
        [](const PlayerState& s) { return QVariant(metadataMap(s.track)); }, true},
    PropertyRow{Interface::Player, "Volume", "d",
        [](const PlayerState& s) { return QVariant(s.volume); }, true},
    PropertyRow{Interface::Player, "LoopStatus", "s",
        [](const PlayerState& s) { return QVariant(s.loopStatus); }, true},
    PropertyRow{Interface::Player, "Shuffle", "b",
        [](const PlayerState& s) { return QVariant(s.shuffle); }, true},
    PropertyRow{Interface::Player, "Position", "x",
        [](const PlayerState& s) { return QVariant(s.positionUs); }, false},
    PropertyRow{Interface::Player, "Rate", "d", [](const PlayerState&) { return QVariant(1.0); },
        false},
    PropertyRow{Interface::Player, "MinimumRate", "d",
        [](const PlayerState&) { return QVariant(1.0); }, false},
    PropertyRow{Interface::Player, "MaximumRate", "d",
        [](const PlayerState&) { return QVariant(1.0); }, false},
    PropertyRow{Interface::Player, "CanGoNext", "b",
        [](const PlayerState& s) { return QVariant(s.canGoNext); }, true},
    PropertyRow{Interface::Player, "CanGoPrevious", "b",
        [](const PlayerState& s) { return QVariant(s.canGoPrevious); }, true},
    PropertyRow{Interface::Player, "CanPlay", "b",
        [](const PlayerState& s) { return QVariant(s.canPlay); }, true},
    PropertyRow{Interface::Player, "CanPause", "b",
        [](const PlayerState& s) { return QVariant(s.canPause); }, true},
    PropertyRow{Interface::Player, "CanSeek", "b",
        [](const PlayerState& s) { return QVariant(s.canSeek); }, true},
    PropertyRow{Interface::Player, "CanControl", "b",
        [](const PlayerState&) { return QVariant(true); }, false},
};
// clang-format on

// The properties that can be written: the type a value must have, and what writing runs.
struct SetterRow {
    Interface interface;
    const char* name;
    QMetaType::Type type;
    void (*set)(MprisPlayer& player, const QVariant& value);
};
const std::array kSetters{
    SetterRow{Interface::Player, "Volume", QMetaType::Double,
              [](MprisPlayer& p, const QVariant& v) { p.setVolume(v.toDouble()); }},
    SetterRow{Interface::Player, "LoopStatus", QMetaType::QString,
              [](MprisPlayer& p, const QVariant& v) { p.setLoopStatus(v.toString()); }},
    SetterRow{Interface::Player, "Shuffle", QMetaType::Bool,
              [](MprisPlayer& p, const QVariant& v) { p.setShuffle(v.toBool()); }},
};

const SetterRow* findSetter(Interface which, const QString& name) {
    const auto row = std::find_if(kSetters.begin(), kSetters.end(), [&](const SetterRow& s) {
        return s.interface == which && name == QLatin1String(s.name);
    });
    return row != kSetters.end() ? &*row : nullptr;
}

// a + b, held at the ends of the range instead of wrapping around.
qint64 saturatingAdd(qint64 a, qint64 b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return sum;
}

}  // namespace

double linearVolume(int hundredthsOfDb) {
    if (hundredthsOfDb <= kSilence) {
        return 0.0;
    }
    return std::pow(10.0, std::min(hundredthsOfDb, kFull) / kHundredthsOfDbPerDecade);
}

int hundredthsOfDb(double linear) {
    if (std::isnan(linear) || linear <= 0.0) {
        return kSilence;
    }
    if (linear >= 1.0) {
        return kFull;
    }
    const double volume = std::nearbyint(kHundredthsOfDbPerDecade * std::log10(linear));
    return static_cast<int>(
        std::clamp(volume, static_cast<double>(kSilence), static_cast<double>(kFull)));
}

QString trackIdFor(const QString& path) {
    if (path.isEmpty()) {
        return QString::fromLatin1(kNoTrack);
    }
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).left(kTrackIdBytes);
    return QStringLiteral("/org/taviks_ruz/track/") + QString::fromLatin1(hash.toHex());
}

QString fileUrl(const QString& path) {
    return QStringLiteral("file://") +
           QString::fromLatin1(
               QByteArray::fromStdString(nativeFromName(fromQString(path))).toPercentEncoding("/"));
}

QVariantMap metadataMap(const Track& track) {
    QVariantMap map;
    map.insert(QString::fromLatin1(kTrackIdKey), track.id);
    if (track.id == QLatin1String(kNoTrack)) {
        return map;
    }
    map.insert(QStringLiteral("mpris:length"), track.lengthUs);
    const std::array<std::pair<const char*, QString>, 2> texts{{
        {"xesam:title", track.title},
        {"xesam:url", track.url},
    }};
    for (const auto& [key, text] : texts) {
        if (!text.isEmpty()) {
            map.insert(QString::fromLatin1(key), text);
        }
    }
    if (!track.artist.isEmpty()) {
        map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    }
    return map;
}

QString interfaceName(Interface which) {
    return which == Interface::Root ? QStringLiteral("org.mpris.MediaPlayer2")
                                    : QStringLiteral("org.mpris.MediaPlayer2.Player");
}

std::span<const PropertyRow> propertyRows() {
    return kRows;
}

const PropertyRow* findProperty(Interface which, const QString& name) {
    const auto row = std::find_if(kRows.begin(), kRows.end(), [&](const PropertyRow& r) {
        return r.interface == which && name == QLatin1String(r.name);
    });
    return row != kRows.end() ? &*row : nullptr;
}

bool isWritable(Interface which, const char* name) {
    return findSetter(which, QString::fromLatin1(name)) != nullptr;
}

QStringList changedProperties(Interface which, const PlayerState& before,
                              const PlayerState& after) {
    QStringList names;
    for (const PropertyRow& row : kRows) {
        if (row.interface == which && row.announced && row.value(before) != row.value(after)) {
            names.append(QString::fromLatin1(row.name));
        }
    }
    return names;
}

MprisPlayer::MprisPlayer(FrmAmp& amp, MediaEngine& engine, TimerHost& timers)
    : amp_(amp), engine_(engine), timers_(timers), track_(readTrack()), published_(state()) {
    // The transport hears the engine first (it was made first), this player after it.
    listening_.push_back(engine_.observePlayState([this](PlayState, PlayState) { refresh(); }));
    listening_.push_back(engine_.observeSeeks([this](double seconds) {
        if (onSeeked) {
            onSeeked(microseconds(seconds));
        }
    }));
    for (Label* label : {&amp_.Song, &amp_.Artist}) {
        listening_.push_back(label->addViewListener([this] { labelsChanged(); }));
    }
    // The volume, the song's length, the songs of the folder (what Next and Previous can do),
    // Repeat and Shuffle.
    for (Control* control :
         {static_cast<Control*>(&amp_.Slider1), static_cast<Control*>(&amp_.Slider2),
          static_cast<Control*>(&amp_.File1), static_cast<Control*>(&amp_.chkRepeat),
          static_cast<Control*>(&amp_.chkRandomSong)}) {
        listening_.push_back(control->addViewListener([this] { refresh(); }));
    }
}

MprisPlayer::~MprisPlayer() = default;

Track MprisPlayer::readTrack() const {
    Track track;
    const QString file = toQString(engine_.fileName());
    if (!file.isEmpty()) {
        track.id = trackIdFor(file);
        track.lengthUs = microseconds(engine_.duration());
        track.title = toQString(amp_.Song.caption()).trimmed();
        track.artist = toQString(amp_.Artist.caption()).trimmed();
        track.url = fileUrl(file);
    }
    return track;
}

PlayerState MprisPlayer::state() const {
    PlayerState s;
    s.playbackStatus = playbackStatus(engine_.playState());
    s.track = track_;
    s.volume = linearVolume(amp_.Slider1.value());  // the engine's volume, set with it
    s.positionUs = microseconds(engine_.currentPosition());
    s.loopStatus =
        amp_.chkRepeat.value() != 0 ? QStringLiteral("Track") : QStringLiteral("Playlist");
    s.shuffle = amp_.chkRandomSong.value() != 0;
    const bool hasSong = !engine_.fileName().empty();
    s.canGoNext = amp_.File1.count() > 0;
    s.canGoPrevious = amp_.File1.count() > 0;
    s.canPlay = hasSong;
    s.canPause = hasSong;
    s.canSeek = hasSong && engine_.duration() > 0.0;
    return s;
}

// The title pick-up sets the artist, then the title: the song is taken once both are set.
void MprisPlayer::labelsChanged() {
    if (trackPending_) {
        return;
    }
    trackPending_ = true;
    timers_.post([this, alive = std::weak_ptr<const bool>(settling_)] {
        if (alive.expired()) {
            return;
        }
        trackPending_ = false;
        track_ = readTrack();
        refresh();
    });
}

void MprisPlayer::refresh() {
    const PlayerState now = state();
    const QStringList names = changedProperties(Interface::Player, published_, now);
    published_ = now;
    if (!names.isEmpty() && onPropertiesChanged) {
        onPropertiesChanged(names, now);
    }
}

void MprisPlayer::next() {
    amp_.Image4.click();  // Skip
}

void MprisPlayer::previous() {
    amp_.Image1.click();  // Back
}

void MprisPlayer::play() {
    amp_.Image7.click();  // Play
}

void MprisPlayer::pause() {
    amp_.Image3.click();  // Pause
}

void MprisPlayer::playPause() {
    if (engine_.playState() == PlayState::Playing) {
        pause();
    } else {
        play();
    }
}

void MprisPlayer::stop() {
    amp_.mnuStop.click();  // Stop: the engine stops and rewinds, as the chat's stop command
}

void MprisPlayer::seek(qint64 offsetUs) {
    if (engine_.fileName().empty()) {
        return;
    }
    const qint64 target =
        std::max<qint64>(saturatingAdd(microseconds(engine_.currentPosition()), offsetUs), 0);
    if (target > microseconds(engine_.duration())) {
        next();
        return;
    }
    moveTo(target);
}

void MprisPlayer::setPosition(const QString& trackId, qint64 positionUs) {
    if (engine_.fileName().empty() || trackId != trackIdFor(toQString(engine_.fileName())) ||
        positionUs < 0 || positionUs > microseconds(engine_.duration())) {
        return;
    }
    moveTo(positionUs);
}

// Through the position slider, as the user's drag: whole seconds, a half to the even neighbour.
void MprisPlayer::moveTo(qint64 positionUs) {
    const double seconds = static_cast<double>(positionUs) / kMicrosecondsPerSecond;
    if (const auto whole = roundHalfEven(seconds, kIntMin, kIntMax)) {
        amp_.Slider2.userScroll(*whole);
    }
}

void MprisPlayer::setVolume(double linear) {
    amp_.Slider1.userScroll(hundredthsOfDb(linear));
}

// As the user's click on the box: its reaction runs when the value changes.
void MprisPlayer::setLoopStatus(const QString& status) {
    const int repeat = status == QLatin1String("Track") ? 1 : 0;
    if (amp_.chkRepeat.value() != repeat) {
        amp_.chkRepeat.userClick();
    }
}

void MprisPlayer::setShuffle(bool on) {
    if ((amp_.chkRandomSong.value() != 0) != on) {
        amp_.chkRandomSong.userClick();
    }
}

SetOutcome MprisPlayer::setProperty(Interface which, const QString& name, const QVariant& value) {
    const SetterRow* setter = findSetter(which, name);
    if (setter == nullptr) {
        return findProperty(which, name) != nullptr ? SetOutcome::ReadOnly
                                                    : SetOutcome::UnknownProperty;
    }
    if (value.typeId() != setter->type) {
        return SetOutcome::WrongType;
    }
    setter->set(*this, value);
    return SetOutcome::Written;
}

}  // namespace ruz::mpris
