#pragma once

#include <QString>

#include <functional>

// The one road to the loudspeaker. Tests install a player that records what would be played.
namespace Sound {

using Player = std::function<void(const QString &file)>;

// Starts playing the sound file and returns at once. A relative name is looked up in the
// working directory first, then in the installed data folder. A missing file or audio device
// is passed over in silence: a reminder must never wait or fail for want of a sound.
void play(const QString &file);

// Installs a player in place of the real one; an empty one restores the real one.
void setPlayer(Player player);
// The real player: the toolkit's sound effect (common/ToolkitSeams.h), once installed. Without
// one, nothing is played.
void setDevicePlayer(Player player);

} // namespace Sound
