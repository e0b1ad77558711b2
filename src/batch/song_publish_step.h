#pragma once
// The internal download's last step with the song's extras switched on: the complete partial
// file becomes the song with its tag in front (or as it is, when only the lyrics file is
// wanted), and the lyrics file is written beside the song once the song is in place.

#include "download/download_settings.h"
#include "tags/song_extras.h"

namespace tb::batch {

// Empty when neither extra is switched on: the engine then renames the partial file itself,
// so the song stays byte for byte what the server sent. The step runs on the engine's
// thread; it fetches the cover there, and a cover or lyrics that cannot be had never fails
// the song. It answers false (the engine then saves the song as received) when the tagged
// song could not be written, or when the target's name is taken.
download::PublishStep SongPublishStep(tags::SongExtras extras);

} // namespace tb::batch
