/*
 * Larkspin decoder plug-in contract.
 *
 * A decoder plug-in is a shared object named IB_<name>.so (prefix compared case-insensitively) in
 * ProgramFolder/PlugIn/Decoder. The host opens it with dlopen(RTLD_NOW | RTLD_LOCAL) and looks up every
 * export below by its exact name with dlsym. Host and plug-ins include this header; each export is a
 * plain C function with the platform's default calling convention.
 *
 * Types
 *   - integers are int32_t;
 *   - booleans a plug-in returns are unsigned char, any value other than 0 meaning true;
 *   - texts are const char* in UTF-8, zero-terminated, owned by the side that passes them: a text the
 *     host passes is valid only during the call (copy it to keep it); a text a plug-in returns stays
 *     valid until that plug-in's next call of the same export;
 *   - window handles are intptr_t (the window's winId()); plug-ins may ignore them.
 *
 * Units
 *   - positions and lengths in whole seconds;
 *   - fade and crossfade times in milliseconds, 0 for none;
 *   - volume 0 to 100 (larger values mean 100);
 *   - decode progress in percent, 100 or more meaning finished.
 *
 * Threads
 *   Every export is called from the host's user-interface thread only, never from two threads at once.
 *   No export may block: playback, fades and decoding run on the plug-in's own threads, and the host
 *   learns about them only by polling (GetState, GetPos, GetLength and GetNowFading about every 100 ms
 *   while playing; GetDecodePos while a decode runs).
 *
 * Lifecycle
 *   StartPlugIn is called once after the host binds the library; ClosePlugIn before it stops using it.
 *   ClosePlugIn ends playback and decoding and returns at once; a fade-out that a Stop just before it
 *   started may finish on the plug-in's own thread (the host leaves a plug-in with Stop(StopTime) and
 *   ClosePlugIn). A plug-in stops all of its threads when it is unloaded, so the host may dlclose it
 *   right after ClosePlugIn. One library may be bound for playback and for decoding at the same time;
 *   the host then sends StartPlugIn and ClosePlugIn only once.
 *
 * Playback
 *   LoadFile makes a file the current one. Play(t) starts it: from silence it fades in over t ms; while
 *   another file sounds it crossfades over t ms (the old voice fades out, the new one fades in); Play(1)
 *   after Pause resumes; Play(t) while the current file plays (or has ended) with nothing new loaded
 *   starts that file again from its beginning, crossfading over t. Position, length and state always
 *   describe the file brought in last.
 *
 * States returned by GetState
 *   LARKSPIN_STATE_IDLE (0): nothing is playing; LARKSPIN_STATE_ENDED (3): the current file reached its
 *   end; any other value: a file is playing (1) or paused (2).
 *
 * Failure
 *   A file that cannot be opened or decoded never crashes or hangs the plug-in: it plays as silence of no
 *   length and the state reads 0 or 3. A plug-in that exports GetLoadError (optional) then says why.
 *
 * Required exports
 *   The 25 playback exports are required: a library that lacks any of them is never called. The three
 *   decode exports are looked up only when the library is bound for decoding and SupportDecoding answers
 *   true.
 *
 * Loudness (version 2)
 *   SetFileGain(hundredthsDb) sets the gain of the file brought in by the last LoadFile, in hundredths of
 *   a dB (-600 is -6 dB): the plug-in multiplies that file's samples by 10^(gain/2000) before the volume
 *   and the fade envelopes. Every LoadFile starts at 0 dB; the host sends SetFileGain after LoadFile and
 *   before Play. Sent while nothing new is loaded, it changes the gain of the file brought in last (and of
 *   that file played again). The host has already limited the gain so that the file's peak does not clip;
 *   a plug-in only keeps the mixed output within full scale.
 *
 * Version
 *   LarkspinAbiVersion answers the version of this contract the plug-in was built for. The host refuses
 *   (never calls) a plug-in whose version it does not know; a plug-in without the export counts as
 *   version 1. Version 2 adds SetFileGain, required of a plug-in that answers 2 and never called on one
 *   that answers 1. A plug-in exports only the names declared here and lets no C++ exception out of them.
 */
#ifndef LARKSPIN_DECODER_PLUGIN_H
#define LARKSPIN_DECODER_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LARKSPIN_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define LARKSPIN_PLUGIN_EXPORT
#endif

enum {
    LARKSPIN_STATE_IDLE = 0,
    LARKSPIN_STATE_PLAYING = 1,
    LARKSPIN_STATE_PAUSED = 2,
    LARKSPIN_STATE_ENDED = 3,
};

enum {
    LARKSPIN_OUTPUT_SOUND_SERVER = 0, /* shown to the user as "directsound" */
    LARKSPIN_OUTPUT_ALSA = 1,
};

/* ---- The 25 playback exports, in the order the host looks them up. ---- */

/* 1. True when the library can decode files to WAV through the decode exports. */
typedef unsigned char (*LarkspinSupportDecodingFn)(void);
/* 2. Called once after each binding; reserved is always 0. */
typedef void (*LarkspinStartPlugInFn)(int32_t reserved, intptr_t mainWindow);
/* 3. Called before the library stops being used; ends output (a running fade-out may finish). */
typedef void (*LarkspinClosePlugInFn)(void);
/* 4. The file becomes the current file (copied; does not start output). */
typedef void (*LarkspinLoadFileFn)(const char* path);
/* 5. Starts, resumes (1 after Pause) or crossfades into the current file over fadeMs. */
typedef void (*LarkspinPlayFn)(int32_t fadeMs);
/* 6. Pauses output (the host passes 0). */
typedef void (*LarkspinPauseFn)(int32_t fadeMs);
/* 7. Fades out over fadeMs, then stops. */
typedef void (*LarkspinStopFn)(int32_t fadeMs);
/* 8. Must exist; never called by the host. */
typedef void (*LarkspinShowSettingsFn)(intptr_t parentWindow);
/* 9. Length of the current file in whole seconds. */
typedef int32_t (*LarkspinGetLengthFn)(void);
/* 10. Play position in whole seconds. */
typedef int32_t (*LarkspinGetPosFn)(void);
/* 11. LARKSPIN_STATE_IDLE, LARKSPIN_STATE_ENDED or another value while playing or paused. */
typedef unsigned char (*LarkspinGetStateFn)(void);
/* 12. Must exist; never called by the host. Answers the mode last set. */
typedef int32_t (*LarkspinGetOutputModeFn)(void);
/* 13. Moves the play position; below 0 means 0, beyond the length means the end. */
typedef void (*LarkspinSetPosFn)(int32_t seconds);
/* 14. LARKSPIN_OUTPUT_SOUND_SERVER or LARKSPIN_OUTPUT_ALSA. */
typedef void (*LarkspinSetOutputModeFn)(int32_t mode);
/* 15. Must exist; never called by the host. */
typedef unsigned char (*LarkspinGetDSSupportFn)(void);
/* 16. Must exist; never called by the host. */
typedef unsigned char (*LarkspinGetFadeSupportFn)(void);
/* 17. True exactly while a fade or crossfade envelope runs. */
typedef unsigned char (*LarkspinGetNowFadingFn)(void);
/* 18. Volume 0 to 100; larger values mean 100. */
typedef void (*LarkspinSetVolumeFn)(int32_t volume);
/* 19. File masks separated by semicolons, e.g. "*.mp3;*.mp2". */
typedef const char* (*LarkspinGetFileTypesFn)(void);
/* 20. True when the plug-in plays audio CDs. */
typedef unsigned char (*LarkspinGetCDSupportFn)(void);
/* 21. Must exist; never called by the host. Number of CD drives. */
typedef int32_t (*LarkspinGetCDDriveNumFn)(void);
/* 22. Must exist; never called by the host. Device path of a CD drive. */
typedef const char* (*LarkspinGetCDDriveLetterFn)(int32_t drive);
/* 23. Number of audio tracks on the CD of drive (0 for the first drive). */
typedef int32_t (*LarkspinGetCDTrackCountFn)(int32_t drive);
/* 24. Characters 1-8: the track's label; characters 11-15: its length as shown. Track from 0. */
typedef const char* (*LarkspinGetCDTrackInfosFn)(int32_t track);
/* 25. command is "play", "pause" or "stop"; track from 0. */
typedef void (*LarkspinPlayCDTrackFn)(int32_t drive, int32_t track, const char* command);

/* ---- Decode exports (with StartPlugIn and ClosePlugIn above). ---- */

/* Starts decoding source to outputFolder/<source's base name>.wav (44-byte header, 16-bit PCM) and
 * returns at once. A decode that fails or is cancelled leaves no file behind. */
typedef void (*LarkspinDecodeFileFn)(const char* source, const char* outputFolder);
/* Progress of the running decode in percent; 100 or more when finished (also after a failure). */
typedef int32_t (*LarkspinGetDecodePosFn)(void);
/* Aborts the running decode and removes its partial output. */
typedef void (*LarkspinCancelDecodeFn)(void);

/* ---- Optional export: the host looks it up by name and does without it. ---- */

#define LARKSPIN_LOAD_ERROR_EXPORT "GetLoadError"
/* Why the file brought in last cannot be played, in English and without the file's name (e.g. "it holds
 * no audio this plug-in can decode"); an empty text while it plays, or while that is not known yet. */
typedef const char* (*LarkspinGetLoadErrorFn)(void);

/* ---- Version. ---- */

#define LARKSPIN_DECODER_ABI_VERSION 2
/* The oldest contract version the host still calls. */
#define LARKSPIN_DECODER_ABI_VERSION_OLDEST 1
#define LARKSPIN_ABI_VERSION_EXPORT "LarkspinAbiVersion"
/* The contract version the plug-in implements (LARKSPIN_DECODER_ABI_VERSION when it was built). */
typedef int32_t (*LarkspinAbiVersionFn)(void);

/* ---- Version 2. ---- */

#define LARKSPIN_SET_FILE_GAIN_EXPORT "SetFileGain"
/* The gain of the file brought in last, in hundredths of a dB. */
typedef void (*LarkspinSetFileGainFn)(int32_t hundredthsDb);

#define LARKSPIN_PLAYBACK_EXPORT_COUNT 25

/* The playback export names in lookup order (index 0 is export 1). */
#define LARKSPIN_PLAYBACK_EXPORT_NAMES                                                                 \
    {"SupportDecoding", "StartPlugIn",     "ClosePlugIn",     "LoadFile",        "Play",               \
     "Pause",           "Stop",            "ShowSettings",    "GetLength",       "GetPos",             \
     "GetState",        "GetOutputMode",   "SetPos",          "SetOutputMode",   "GetDSSupport",       \
     "GetFadeSupport",  "GetNowFading",    "SetVolume",       "GetFileTypes",    "GetCDSupport",       \
     "GetCDDriveNum",   "GetCDDriveLetter", "GetCDTrackCount", "GetCDTrackInfos", "PlayCDTrack"}

/* Declarations for plug-ins; the host never links against these names. */
#ifdef LARKSPIN_BUILDING_PLUGIN
LARKSPIN_PLUGIN_EXPORT int32_t LarkspinAbiVersion(void);
LARKSPIN_PLUGIN_EXPORT unsigned char SupportDecoding(void);
LARKSPIN_PLUGIN_EXPORT void StartPlugIn(int32_t reserved, intptr_t mainWindow);
LARKSPIN_PLUGIN_EXPORT void ClosePlugIn(void);
LARKSPIN_PLUGIN_EXPORT void LoadFile(const char* path);
LARKSPIN_PLUGIN_EXPORT void Play(int32_t fadeMs);
LARKSPIN_PLUGIN_EXPORT void Pause(int32_t fadeMs);
LARKSPIN_PLUGIN_EXPORT void Stop(int32_t fadeMs);
LARKSPIN_PLUGIN_EXPORT void ShowSettings(intptr_t parentWindow);
LARKSPIN_PLUGIN_EXPORT int32_t GetLength(void);
LARKSPIN_PLUGIN_EXPORT int32_t GetPos(void);
LARKSPIN_PLUGIN_EXPORT unsigned char GetState(void);
LARKSPIN_PLUGIN_EXPORT int32_t GetOutputMode(void);
LARKSPIN_PLUGIN_EXPORT void SetPos(int32_t seconds);
LARKSPIN_PLUGIN_EXPORT void SetOutputMode(int32_t mode);
LARKSPIN_PLUGIN_EXPORT unsigned char GetDSSupport(void);
LARKSPIN_PLUGIN_EXPORT unsigned char GetFadeSupport(void);
LARKSPIN_PLUGIN_EXPORT unsigned char GetNowFading(void);
LARKSPIN_PLUGIN_EXPORT void SetVolume(int32_t volume);
LARKSPIN_PLUGIN_EXPORT const char* GetFileTypes(void);
LARKSPIN_PLUGIN_EXPORT unsigned char GetCDSupport(void);
LARKSPIN_PLUGIN_EXPORT int32_t GetCDDriveNum(void);
LARKSPIN_PLUGIN_EXPORT const char* GetCDDriveLetter(int32_t drive);
LARKSPIN_PLUGIN_EXPORT int32_t GetCDTrackCount(int32_t drive);
LARKSPIN_PLUGIN_EXPORT const char* GetCDTrackInfos(int32_t track);
LARKSPIN_PLUGIN_EXPORT void PlayCDTrack(int32_t drive, int32_t track, const char* command);
LARKSPIN_PLUGIN_EXPORT void decodefile(const char* source, const char* outputFolder);
LARKSPIN_PLUGIN_EXPORT int32_t GetDecodePos(void);
LARKSPIN_PLUGIN_EXPORT void canceldecode(void);
LARKSPIN_PLUGIN_EXPORT const char* GetLoadError(void);
LARKSPIN_PLUGIN_EXPORT void SetFileGain(int32_t hundredthsDb);
#endif

#ifdef __cplusplus
}
#endif

#endif /* LARKSPIN_DECODER_PLUGIN_H */
