#pragma once
// The controls of the download area as the batch command sees them: the save-folder box
// `编辑框_保存目录`, the plug-in switch `选择框1` and the two download options of the result
// list's popup menu (write the song's tag, save a lyrics file). The application implements them
// over its widgets, the companion and the tests over plain values. Texts are local text.

#include <string>

namespace tb::batch {

class DownloadControls {
public:
    virtual ~DownloadControls() = default;
    virtual std::string saveFolder() const = 0;
    virtual void setSaveFolder(const std::string& folder) = 0;
    virtual bool pluginSwitchTicked() const = 0;
    virtual bool writeSongTags() const = 0;
    virtual bool saveLyricsFile() const = 0;
};

// The controls as plain values, for the companion and the tests.
class PlainDownloadControls : public DownloadControls {
public:
    std::string saveFolder() const override { return folder; }
    void setSaveFolder(const std::string& text) override { folder = text; }
    bool pluginSwitchTicked() const override { return pluginTicked; }
    bool writeSongTags() const override { return songTags; }
    bool saveLyricsFile() const override { return lyricsFile; }

    std::string folder;
    bool pluginTicked = false;
    bool songTags = false;
    bool lyricsFile = false;
};

} // namespace tb::batch
