#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

namespace engine
{

// The SDL2_mixer calls the player makes. They are resolved the first time a sound is played:
// the library and the decoders it pulls in (FluidSynth, mpg123 and their own dependencies,
// some forty libraries) then cost nothing at start-up.
#define OSTREVAN_SDL_CALLS(X)                                                                      \
    X(SDL_AllocRW)                                                                                 \
    X(SDL_FreeRW)                                                                                  \
    X(SDL_GetError)                                                                                \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_Quit)                                                                                    \
    X(SDL_RWFromConstMem)                                                                          \
    X(SDL_SetHint)                                                                                 \
    X(SDL_SetMainReady)                                                                            \
    X(SDL_WasInit)                                                                                 \
    X(Mix_CloseAudio)                                                                              \
    X(Mix_FreeChunk)                                                                               \
    X(Mix_FreeMusic)                                                                               \
    X(Mix_Init)                                                                                    \
    X(Mix_HookMusicFinished)                                                                       \
    X(Mix_LoadMUSType_RW)                                                                          \
    X(Mix_LoadWAV_RW)                                                                              \
    X(Mix_OpenAudio)                                                                               \
    X(Mix_PlayChannel)                                                                             \
    X(Mix_PlayMusic)                                                                               \
    X(Mix_PlayingMusic)                                                                            \
    X(Mix_SetSoundFonts)

struct SdlLibrary {
#define OSTREVAN_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    OSTREVAN_SDL_CALLS(OSTREVAN_SDL_MEMBER)
#undef OSTREVAN_SDL_MEMBER
};

// Loads the library on first use; nullptr when it cannot be loaded, and then sound is off.
const SdlLibrary *sdlLibrary();

} // namespace engine
