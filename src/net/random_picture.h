#pragma once
// The picture window's decoration: a picture with a random number from a fixed set, from
// the configured image host.

#include <random>
#include <string>
#include <string_view>

namespace tb::net {

// Draws one of 19, 22, 23, 24, 25, 27, 28, 29, 31, each with equal chance.
int DrawPictureNumber(std::mt19937& generator);
// The same from the process-wide generator (safe from any thread).
int DrawPictureNumber();
// Seeds the process-wide generator from the clock.
void SeedPictureNumbers();

// The picture's address on an image host ("http://host:port"): the host followed by
// "/news/201711/304194265017/o_3041986400" + number + ".jpg".
std::string PictureAddress(std::string_view imageHost, int number);

// Draws a number and fetches that picture from the configured image host. Empty bytes
// when no image host is configured (nothing is fetched) or the fetch failed.
std::string FetchRandomPicture();

} // namespace tb::net
