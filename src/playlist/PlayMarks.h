#pragma once

#include <QImage>

namespace larkspin {

// The play-mark pictures of the playlist rows: picture 0 is fully transparent, pictures 1 to 5 show the
// same right-pointing triangle in black, white, blue, yellow and red. The current row shows picture
// IconIndex + 1, every other row picture 0.
inline constexpr int PlayMarkCount = 6;
inline constexpr int PlayMarkSize = 16;

// Picture index (0 to 5) as a 16 x 16 image; an index outside that range gives picture 0.
QImage PlayMarkPicture(int index);

} // namespace larkspin
