// Why a load failed, in plain words.
//
// The loaders' results keep their fixed message texts ("...Load3DS() : error!",
// "BASS_MusicLoad error!"); what they know besides - the full path of the file
// and the reason the decoder or checker gave - is noted here, and the shell
// prints it as one more line after a failed set-up.
#pragma once
#include <string>

namespace platform {

// Forgets any earlier note; the shell calls it before the set-up.
void ClearFailureNote();

// Notes "could not load the <what> <full path of file>: <why>". Only the first
// note after a clear is kept: the innermost loader fails first and knows the
// most (a texture named by a scene is reported, not the scene). An empty
// `file` leaves the path out.
void NoteLoadFailure(const std::string& what, const std::string& file, const std::string& why);

// The note; empty when nothing was noted since the last clear.
const std::string& FailureNote();

}  // namespace platform
