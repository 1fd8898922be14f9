#pragma once

#include <SDL.h>

#include <memory>
#include <string>

namespace ruz::media {

// SDL2's audio functions, loaded from SDL's shared library when a song first plays and let go with
// the sound device. SDL brings some thirty libraries of its own (the sound servers' clients,
// codecs, Wayland, X11 extensions): the program neither loads them before its first window nor
// keeps them while it plays nothing.
class SdlLibrary {
    struct Key {};  // only load() makes one

  public:
    // Nothing, with `error` saying why, when the library or one of its functions is missing.
    static std::unique_ptr<SdlLibrary> load(std::string& error);

    SdlLibrary(Key key, void* handle);
    ~SdlLibrary();
    SdlLibrary(const SdlLibrary&) = delete;
    SdlLibrary& operator=(const SdlLibrary&) = delete;

    decltype(&::SDL_SetHint) SetHint = nullptr;
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_Quit) Quit = nullptr;
    decltype(&::SDL_GetError) GetError = nullptr;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&::SDL_LockAudioDevice) LockAudioDevice = nullptr;
    decltype(&::SDL_UnlockAudioDevice) UnlockAudioDevice = nullptr;

  private:
    void* handle_;
};

}  // namespace ruz::media
