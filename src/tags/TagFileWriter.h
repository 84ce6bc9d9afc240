#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// File writes of the tag classes. A write never loses the audio: in-place writes touch only the tag's
// bytes, and a rebuilt file is complete on disk before it takes the original's name.
namespace larkspin::tagfile {

// Gives the owner write permission on path when it lacks it, as saving a tag into a read-only file is
// meant to work. Stores the old mode in oldMode (when given). False when path is not a regular file or
// the mode cannot be changed.
bool MakeWritable(const std::string& path, unsigned* oldMode = nullptr);

// Puts the permission bits oldMode back (used when a write failed after MakeWritable).
void RestoreMode(const std::string& path, unsigned oldMode);

// Rebuilds path as newHead followed by the file's bytes from offset skip on. The new file is written
// under a temporary name in the same folder, flushed to disk and renamed over the original, so the
// original is whole after any failure. The new file keeps the original's permissions plus owner write.
// A symbolic link is followed: the file it names is rebuilt. False on any failure.
bool RebuildWithHead(const std::string& path, std::string_view newHead, std::int64_t skip);
// The same, and the file's last oldTailLength bytes are replaced by newTail (an ID3v1 tag), so both
// ends of the file change in one replacement.
bool RebuildWithHeadAndTail(const std::string& path, std::string_view newHead, std::int64_t skip,
                            std::string_view newTail, std::int64_t oldTailLength);

} // namespace larkspin::tagfile
