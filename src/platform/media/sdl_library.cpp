#include "platform/media/sdl_library.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <utility>

namespace ruz::media {

namespace {
constexpr const char* kLibraryName = "libSDL2-2.0.so.0";

// Stores the address of `name` in `slot`; false when the library has no such function.
template <typename Function>
bool find(void* handle, const char* name, Function& slot) {
    void* address = dlsym(handle, name);
    slot = reinterpret_cast<Function>(address);
    return address != nullptr;
}
}  // namespace

std::unique_ptr<SdlLibrary> SdlLibrary::load(std::string& error) {
    void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        error = why != nullptr ? why : kLibraryName;
        return nullptr;
    }
    auto sdl = std::make_unique<SdlLibrary>(Key{}, handle);
    const std::array found{
        find(handle, "SDL_SetHint", sdl->SetHint),
        find(handle, "SDL_InitSubSystem", sdl->InitSubSystem),
        find(handle, "SDL_Quit", sdl->Quit),
        find(handle, "SDL_GetError", sdl->GetError),
        find(handle, "SDL_OpenAudioDevice", sdl->OpenAudioDevice),
        find(handle, "SDL_CloseAudioDevice", sdl->CloseAudioDevice),
        find(handle, "SDL_PauseAudioDevice", sdl->PauseAudioDevice),
        find(handle, "SDL_LockAudioDevice", sdl->LockAudioDevice),
        find(handle, "SDL_UnlockAudioDevice", sdl->UnlockAudioDevice),
    };
    if (std::find(found.begin(), found.end(), false) != found.end()) {
        error = std::string(kLibraryName) + " lacks an audio function";
        return nullptr;
    }
    return sdl;
}

SdlLibrary::SdlLibrary(Key /*key*/, void* handle) : handle_(handle) {}

SdlLibrary::~SdlLibrary() {
    dlclose(handle_);
}

}  // namespace ruz::media
