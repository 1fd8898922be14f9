#pragma once

#include "app/frmamp.h"
#include "platform/media/media_engine.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace ruz::mpris {

// The engine's volume in hundredths of a decibel (-10000 silence .. 0 full) as the linear gain
// 0 .. 1 the desktop's sound menu shows, and back. -10000 is 0 exactly; every volume comes back
// unchanged from the round trip.
double linearVolume(int hundredthsOfDb);
// A gain below 0 is silence, above 1 full volume.
int hundredthsOfDb(double linear);

// A song's file as the URL the desktop opens: "file://" and the bytes of its path as the file
// system holds them, percent-encoded, so a name that is not UTF-8 still names its own file.
QString fileUrl(const QString& path);

// The object path that stands for "no song".
inline constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// A song's object path: the same file always gives the same path.
QString trackIdFor(const QString& path);

// What the desktop shows of the song.
struct Track {
    QString id = QString::fromLatin1(kNoTrack);
    qint64 lengthUs = 0;
    QString title;
    QString artist;
    QString url;
};
// The song's metadata map, keyed as the desktop reads it; "mpris:trackid" holds the object path as
// text (the bus layer sends it as an object path). Empty texts are left out.
QVariantMap metadataMap(const Track& track);
inline constexpr const char* kTrackIdKey = "mpris:trackid";

// Everything the player interface publishes, read afresh from the window and the engine.
struct PlayerState {
    QString playbackStatus = QStringLiteral("Stopped");
    Track track;
    double volume = 1.0;
    qint64 positionUs = 0;
    // "Track" while the window's Repeat is on; otherwise the folder starts over at its end.
    QString loopStatus = QStringLiteral("Playlist");
    bool shuffle = false;  // the window's Shuffle
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false;
};

enum class Interface { Root, Player };
QString interfaceName(Interface which);

// One published property: its interface, name, bus type signature and value. Properties whose
// changes are announced are compared between two states; the others (the position, which moves
// all the time, and the constants) are only read.
struct PropertyRow {
    Interface interface;
    const char* name;
    const char* signature;
    QVariant (*value)(const PlayerState& state);
    bool announced;
};
std::span<const PropertyRow> propertyRows();
const PropertyRow* findProperty(Interface which, const QString& name);

// What writing a property did: written, refused as read-only or unknown, or refused because the
// value is not of the property's type (nothing changes then).
enum class SetOutcome { Written, ReadOnly, UnknownProperty, WrongType };
// Whether the property `name` of `which` can be written.
bool isWritable(Interface which, const char* name);

// The names of the announced properties of `which` whose values differ between the two states.
QStringList changedProperties(Interface which, const PlayerState& before, const PlayerState& after);

// The player as the desktop's media keys and sound menu drive it: each method runs what the main
// window's button or slider runs, and every real change of a published property is reported once.
// The song's metadata follows the window's `Song` and `Artist` labels: it is taken, with the
// engine's file and length, once the labels have settled after a change (the title pick-up sets
// both in one go), so the desktop never sees one song's title with another's artist.
// Create it after the main window, on the engine the main window uses; it must go before both.
class MprisPlayer {
  public:
    // `timers` carries the work that waits for the labels to settle.
    MprisPlayer(FrmAmp& amp, MediaEngine& engine, TimerHost& timers);
    ~MprisPlayer();
    MprisPlayer(const MprisPlayer&) = delete;
    MprisPlayer& operator=(const MprisPlayer&) = delete;

    void next();
    void previous();
    void play();
    void pause();
    void playPause();
    void stop();
    // Moves the position by `offsetUs`; past the end of the song it goes on to the next song. The
    // sum saturates: the largest offset is past the end, the smallest the start.
    void seek(qint64 offsetUs);
    // Moves the position of the song `trackId` (ignored when another song plays, or when the
    // position lies outside the song).
    void setPosition(const QString& trackId, qint64 positionUs);
    void setVolume(double linear);
    // "Track" switches the window's Repeat on; "Playlist" and "None" switch it off (the folder
    // always starts over at its end).
    void setLoopStatus(const QString& status);
    void setShuffle(bool on);
    // Writes the property `name` of `which` as the desktop's Set does; a value of another type
    // than the property's is refused.
    SetOutcome setProperty(Interface which, const QString& name, const QVariant& value);

    // The published state, with the position read now.
    PlayerState state() const;

    // The names of the announced properties of the player interface that really changed, and the
    // state they changed to.
    std::function<void(const QStringList& names, const PlayerState& state)> onPropertiesChanged;
    // The position moved within the song (microseconds).
    std::function<void(qint64 positionUs)> onSeeked;

  private:
    Track readTrack() const;
    void labelsChanged();
    void refresh();
    void moveTo(qint64 positionUs);

    FrmAmp& amp_;
    MediaEngine& engine_;
    TimerHost& timers_;
    Track track_;
    bool trackPending_ = false;
    PlayerState published_;
    // Work handed to the event loop holds this weakly: it does nothing once this player is gone.
    std::shared_ptr<const bool> settling_ = std::make_shared<const bool>(true);
    // The engine's and the window's listeners: this player stops hearing them when it goes.
    std::vector<Subscription> listening_;
};

}  // namespace ruz::mpris
