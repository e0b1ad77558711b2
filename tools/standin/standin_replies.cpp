#include "standin_replies.h"

#include <boost/json.hpp>

#include <algorithm>

namespace tb::standin {
namespace {

namespace json = boost::json;

json::object searchElement(const StandinSong& song) {
    // Member order follows the real replies; the client reads only five of them.
    json::object element;
    element["SongName"] = song.name;
    element["SingerName"] = song.singer;
    element["FileName"] = song.name;
    element["FileHash"] = song.hash;
    element["HQFileHash"] = song.hash;
    element["AlbumID"] = song.albumId;
    element["AlbumName"] = song.albumName;
    element["Duration"] = song.durationSeconds;
    element["HQDuration"] = song.durationSeconds;
    element["FileSize"] = song.audioSize();
    element["HQFileSize"] = song.audioSize();
    element["ExtName"] = "mp3";
    element["Bitrate"] = 32;
    element["PayType"] = 0;
    return element;
}

std::string timestamp() {
    return "1512345678";
}

} // namespace

std::string audioPath(const StandinSong& song) {
    return "/audio/" + song.hash + ".mp3";
}
std::string coverPath(const StandinSong& song) {
    return "/cover/" + song.hash + ".jpg";
}

std::string songSearchReply(const std::vector<const StandinSong*>& matches, long long pageSize) {
    const std::size_t shown = pageSize < 0
                                  ? matches.size()
                                  : std::min(matches.size(), static_cast<std::size_t>(pageSize));
    json::array lists;
    lists.reserve(shown);
    for (std::size_t i = 0; i < shown; ++i) {
        lists.push_back(searchElement(*matches[i]));
    }
    json::object data;
    data["timestamp"] = timestamp();
    data["page"] = 1;
    data["pagesize"] = pageSize < 0 ? 30 : pageSize;
    data["total"] = matches.size();
    data["correctiontype"] = 0;
    data["lists"] = std::move(lists);
    json::object root;
    root["status"] = 1;
    root["error_code"] = 0;
    root["error_msg"] = "";
    root["data"] = std::move(data);
    return json::serialize(root);
}

std::string searchTipReply(const std::vector<const StandinSong*>& matches, int musicTipCount) {
    json::array songs;
    json::array albums;
    for (const auto* song : matches) {
        if (static_cast<int>(songs.size()) < musicTipCount) {
            songs.push_back(json::object{{"HintInfo", song->name},
                                         {"HintInfo2", song->singer},
                                         {"Hot", 100},
                                         {"IsRadio", 0}});
        }
        if (albums.size() < 2) {
            albums.push_back(json::object{{"HintInfo", song->albumName}, {"Hot", 10}});
        }
    }
    json::array groups;
    groups.push_back(json::object{
        {"RecordCount", songs.size()}, {"LableName", ""}, {"RecordDatas", std::move(songs)}});
    groups.push_back(json::object{
        {"RecordCount", albums.size()}, {"LableName", "专辑"}, {"RecordDatas", std::move(albums)}});
    return json::serialize(
        json::object{{"status", 1}, {"error_code", 0}, {"data", std::move(groups)}});
}

std::string playInfoReply(const StandinSong* song, const std::string& base,
                          const std::string& audioBase) {
    if (song == nullptr) {
        return json::serialize(
            json::object{{"status", 0}, {"err_code", 20010}, {"data", json::array()}});
    }
    json::object data;
    data["hash"] = song->hash;
    data["timelength"] = song->durationSeconds * 1000;
    data["filesize"] = song->audioSize();
    data["audio_name"] = song->name;
    data["have_album"] = 1;
    data["album_name"] = song->albumName;
    data["album_id"] = song->albumId;
    data["img"] = song->cover.empty() ? std::string() : base + coverPath(*song);
    data["author_name"] = song->singer;
    data["song_name"] = song->name;
    data["lyrics"] = song->lyrics;
    data["privilege"] = 8;
    data["bitrate"] = 32;
    if (song->hasPlayUrl) {
        const std::string audio = (audioBase.empty() ? base : audioBase) + audioPath(*song);
        data["play_url"] = audio;
        data["play_backup_url"] = audio;
    }
    data["is_free_part"] = 0;
    return json::serialize(json::object{{"status", 1}, {"err_code", 0}, {"data", data}});
}

std::string sharePage(const std::vector<StandinSong>& songs) {
    json::array array;
    for (const auto& song : songs) {
        array.push_back(json::object{{"hash", song.hash},
                                     {"song_name", song.name},
                                     {"album_id", song.albumId},
                                     {"singer_name", song.singer},
                                     {"timelength", song.durationSeconds * 1000}});
    }
    return "<!DOCTYPE html>\n<html><head><meta charset=utf-8><title>歌单</title></head>\n"
           "<body><div id=\"songs\"></div>\n<script>\n"
           "var dataFromSmarty = " +
           json::serialize(array) +
           ",//当前页面歌曲信息\n    shareInfo = {\"type\": \"list\"};\n"
           "</script>\n</body></html>\n";
}

} // namespace tb::standin
