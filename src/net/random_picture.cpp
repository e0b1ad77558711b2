#include "net/random_picture.h"

#include "net/endpoints.h"
#include "net/fetch_bytes.h"

#include <chrono>
#include <mutex>

namespace tb::net {
namespace {

std::mutex generatorMutex;

std::mt19937& sharedGenerator() {
    static std::mt19937 generator;
    return generator;
}

} // namespace

int DrawPictureNumber(std::mt19937& generator) {
    std::uniform_int_distribution<int> numbers(19, 31);
    int number = numbers(generator);
    while (number == 20 || number == 21 || number == 26 || number == 30) {
        number = numbers(generator);
    }
    return number;
}

int DrawPictureNumber() {
    const std::lock_guard lock(generatorMutex);
    return DrawPictureNumber(sharedGenerator());
}

void SeedPictureNumbers() {
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    const std::lock_guard lock(generatorMutex);
    sharedGenerator().seed(static_cast<std::mt19937::result_type>(ticks));
}

std::string PictureAddress(std::string_view imageHost, int number) {
    return std::string(imageHost) + "/news/201711/304194265017/o_3041986400" +
           std::to_string(number) + ".jpg";
}

std::string FetchRandomPicture() {
    const std::string host = ImageHost();
    if (host.empty()) {
        return {};
    }
    return FetchBytes(PictureAddress(host, DrawPictureNumber()));
}

} // namespace tb::net
