#pragma once
// How the native window unmounts and formats a volume on Windows: the format
// locks and dismounts the volume itself, as the tool does; Windows mounts it again
// by itself at the next access; without the administrator's rights the
// installed zt_format.exe runs elevated (the system's "runas" prompt).

#include <memory>

#include "ui/VolumeService.h"

namespace ui::win32 {

std::unique_ptr<VolumeService> makeNativeVolumeService();

}  // namespace ui::win32
