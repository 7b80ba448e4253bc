#pragma once
// A disk for DiskDevice tests: an image file underneath, with failures that
// can be switched on per operation, and a record of what was asked of it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/BlockDevice.h"

struct FakeDiskState {
    int writes = 0;  // write requests so far
    int reads = 0;
    int failWriteAt = 0;  // fail the n-th write request (1-based); 0: never
    int geometryCalls = 0;
    int failGeometryFrom = 0;  // fail geometry queries from the n-th on; 0: never
    int flushes = 0;
    int failFlushAt = 0;
    bool failLock = false;
    bool failUnlock = false;
    bool locked = false;
    int lockCount = 0;
    int unlockCount = 0;
    std::uint32_t sectorSize = 512;  // reported, whatever the image
    std::uint64_t sizeBytes = 0;     // reported instead of the image's size when not 0
    std::vector<std::pair<std::uint64_t, std::size_t>> writeLog;
};

class FakeBlockDevice : public platform::BlockDevice {
  public:
    FakeBlockDevice(const std::string& image, std::shared_ptr<FakeDiskState> state)
        : inner_(platform::openBlockDevice(image)), state_(std::move(state)) {}

    bool readAt(std::uint64_t offset, void* data, std::size_t size) override {
        ++state_->reads;
        return inner_->readAt(offset, data, size);
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        ++state_->writes;
        if (state_->writes == state_->failWriteAt)
            return false;
        state_->writeLog.emplace_back(offset, size);
        return inner_->writeAt(offset, data, size);
    }
    bool geometry(platform::BlockGeometry& geometry) override {
        ++state_->geometryCalls;
        if (state_->failGeometryFrom && state_->geometryCalls >= state_->failGeometryFrom) {
            return false;
        }
        if (!inner_->geometry(geometry))
            return false;
        geometry.bytesPerSector = state_->sectorSize;
        if (state_->sizeBytes != 0)
            geometry.sizeBytes = state_->sizeBytes;
        return true;
    }
    bool lock() override {
        if (state_->failLock)
            return false;
        ++state_->lockCount;
        state_->locked = true;
        return true;
    }
    bool unlock() override {
        ++state_->unlockCount;
        if (state_->failUnlock)
            return false;
        state_->locked = false;
        return true;
    }
    bool flush() override {
        ++state_->flushes;
        return state_->flushes != state_->failFlushAt;
    }
    bool rereadPartitions() override { return true; }
    bool findSignatures(std::uint64_t offset, std::uint64_t size,
                        std::vector<platform::Signature>& found) override {
        return inner_->findSignatures(offset, size, found);
    }

  private:
    std::unique_ptr<platform::BlockDevice> inner_;
    std::shared_ptr<FakeDiskState> state_;
};
