// SPDX-License-Identifier: GPL-3.0-or-later
// libaweman32: the sound-bank manager the program binds at run time by name
// ("AWEManager"). Its "card" is the program's own sequencer: user bank 1 is
// loaded and cleared through lirana_sequencer_user_bank, looked up in the
// program that loaded this library. Without it every call answers
// DEVICE_DRV_INVALID.
//
// Messages (handle, message, param1, param2), 0 on success:
//   101  0       open: param1 = address of a uintptr_t that receives the handle
//   204  handle  load: param1 = 1 (user bank), param2 = address of a load block
//   205  handle  clear: param1 = 1
//   102  handle  close the handle
// Parameters are pointer-sized: a 64-bit program passes addresses in them.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>

namespace {

enum : std::uint32_t {
    DEVICE_DRV_INVALID = 101,
    USERID_INVALID = 102,
    SBANK_INVALID = 105,
    UBANK_INVALID = 106,
    PATHNAME_INVALID = 107,
    MSG_INVALID = 110,
};

// The load block: length of the path with its terminating zero, the path,
// and reserved fields that must be 0.
struct LoadBlock
{
    std::uint32_t length;
    const char* path;
    std::uint32_t reserved;
    std::uint16_t flags;
    std::uint8_t spare[2];
};

using UserBankFn = int(int, const char*);

std::mutex handlesMutex;
std::set<std::uintptr_t> handles;
std::uintptr_t nextHandle = 1;

UserBankFn* Sequencer()
{
    return reinterpret_cast<UserBankFn*>(dlsym(RTLD_DEFAULT, "lirana_sequencer_user_bank"));
}

bool IsOpen(std::uintptr_t handle)
{
    std::lock_guard lock(handlesMutex);
    return handles.count(handle) != 0;
}

std::uint32_t Load(UserBankFn* sequencer, std::uintptr_t bank, const LoadBlock* block)
{
    if (bank != 1)
        return UBANK_INVALID;
    if (!block || !block->path || block->length != std::strlen(block->path) + 1)
        return PATHNAME_INVALID;
    struct stat info = {};
    if (stat(block->path, &info) != 0 || !S_ISREG(info.st_mode))
        return PATHNAME_INVALID;
    return sequencer(1, block->path) == 0 ? 0u : std::uint32_t(SBANK_INVALID);
}

} // namespace

extern "C" __attribute__((visibility("default"))) std::uint32_t
AWEManager(std::uintptr_t handle, std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2)
{
    UserBankFn* sequencer = Sequencer();
    if (!sequencer)
        return DEVICE_DRV_INVALID;
    if (message == 101) {
        if (!param1)
            return USERID_INVALID;
        std::lock_guard lock(handlesMutex);
        const std::uintptr_t opened = nextHandle++;
        handles.insert(opened);
        *reinterpret_cast<std::uintptr_t*>(param1) = opened;
        return 0;
    }
    if (message != 102 && message != 204 && message != 205)
        return MSG_INVALID;
    if (!IsOpen(handle))
        return USERID_INVALID;
    switch (message) {
    case 102: {
        std::lock_guard lock(handlesMutex);
        handles.erase(handle);
        return 0;
    }
    case 204: return Load(sequencer, param1, reinterpret_cast<const LoadBlock*>(param2));
    default: // 205
        if (param1 != 1)
            return UBANK_INVALID;
        sequencer(1, nullptr);
        return 0;
    }
}
