#include "install/DiscDevice.h"

#include "install/RawSectorImage.h"
#include "platform/RawFile.h"

namespace install {

using namespace platform;

namespace {

class RawDiscDevice : public DiscDevice {
  public:
    explicit RawDiscDevice(platform::RawFile file) : file_(std::move(file)) {}
    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        return file_.readAt(offset, buffer, length);
    }
    std::optional<std::uint64_t> size() override { return file_.size(); }
    platform::SendResult sendTo(std::uint64_t offset, std::size_t length,
                                platform::OutputFile& out) override {
        return file_.sendTo(offset, length, out);
    }

  private:
    platform::RawFile file_;
};

}  // namespace

std::unique_ptr<DiscDevice> openPlainDiscDevice(platform::RawFile file) {
    return std::make_unique<RawDiscDevice>(std::move(file));
}

DiscOpenResult openDiscDevice(const std::string& path) {
    return openDiscImage(path);
}

}  // namespace install
