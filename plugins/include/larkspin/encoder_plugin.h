/*
 * Larkspin encoder plug-in contract.
 *
 * An encoder plug-in is a shared object (*.so) in ProgramFolder/PlugIn/Encoder that converts a 16-bit PCM
 * WAV file into its own format in the background while the host polls it. The host opens it with
 * dlopen(RTLD_NOW | RTLD_LOCAL) and looks up the 14 required exports below by their exact names with
 * dlsym; a library that lacks any of them is left out of every list and never called. The host keeps
 * exactly one encoder plug-in loaded at a time. Host and plug-ins include this header; each export is a
 * plain C function with the platform's default calling convention, and none lets a C++ exception out.
 *
 * Types
 *   - integers are int32_t; the track number of SendTag is one byte;
 *   - booleans a plug-in returns are unsigned char, any value other than 0 meaning true;
 *   - texts are const char* in UTF-8, zero-terminated, owned by the side that passes them: a text the
 *     host passes is valid only during the call (copy it to keep it); a text a plug-in returns stays
 *     valid until that plug-in's next call of the same export; a null text the host passes counts as "";
 *   - window handles are intptr_t (the window's winId()); plug-ins may ignore them.
 *
 * Threads
 *   Every export is called from the host's user-interface thread only, never from two threads at once,
 *   and returns at once: EncodeFile hands the job to the plug-in's own thread. The host learns about a
 *   job only by polling GetPosition and GetFinished (about every 100 ms).
 *
 * Lifecycle
 *   StartPlugIn is called after the host loads a library for use (not while it only enumerates);
 *   ClosePlugIn before it unloads it. ClosePlugIn cancels every job, waits for the plug-in's threads to
 *   end and removes unfinished output, so the host may dlclose the library right after it.
 *
 * Jobs
 *   EncodeFile(source, destination) queues one job: source is a WAV file, destination the full name of
 *   the file to write (the host builds it from the source's name and GetEncodeType). Jobs run one after
 *   the other in the order they were given. A job writes to a temporary file beside the destination and
 *   renames it into place only when complete, so a failure, CancelEncoding, ClosePlugIn or a crash leaves
 *   no half file under the final name and an existing file there whole. A job never changes or removes
 *   its source, and fails when the destination is the source itself.
 *   GetFinished is true once every job given so far has ended (successfully or not); it is true before
 *   the first job. GetPosition is the running job's progress in percent (0 to 100), 100 when finished.
 *   CancelEncoding ends the running job and drops the queued ones; GetFinished is true when it returns.
 *
 * Tags
 *   SendTag(artist, title, album, year, track, comment, genre) gives the tag values of the next job
 *   given with EncodeFile; that job takes them and the following jobs get none until SendTag is called
 *   again. A plug-in writes them as its format's native tags in UTF-8 (Vorbis comments, FLAC Vorbis
 *   comments, Opus tags, ID3v2.4); empty texts and track 0 are left out.
 *
 * Information
 *   GetInfo, GetDeveloper, GetMail, GetWeb and GetDate are shown in the settings window; "---" means
 *   none. GetEncodeType is the output extension without its dot ("ogg", "flac", "opus", "mp3").
 *   ShowSettings opens the plug-in's own settings, however it keeps them.
 *
 * Optional exports
 *   GetEncoderAbiVersion: the contract version the plug-in follows (LARKSPIN_ENCODER_ABI_VERSION); the
 *   host refuses a plug-in whose version it does not know; without the export the version is 1.
 *   GetEncodeError: why the job that ended last failed, "" when it succeeded or none has ended; the
 *   host shows it to the user for that file.
 */
#ifndef LARKSPIN_ENCODER_PLUGIN_H
#define LARKSPIN_ENCODER_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define LARKSPIN_ENCODER_EXPORT __attribute__((visibility("default")))
#else
#define LARKSPIN_ENCODER_EXPORT
#endif

#define LARKSPIN_ENCODER_ABI_VERSION 1

/* ---- The 14 required exports, in the order the host looks them up. ---- */

/* 1. Called after the host loads the library for use; reserved is always 0. */
typedef void (*LarkspinEncStartPlugInFn)(int32_t reserved, intptr_t settingsWindow);
/* 2. Called before the library is unloaded: cancels the jobs and ends the plug-in's threads. */
typedef void (*LarkspinEncClosePlugInFn)(void);
/* 3. The plug-in's own settings. */
typedef void (*LarkspinEncShowSettingsFn)(void);
/* 4-8. One line each for the settings window; "---" for none. */
typedef const char* (*LarkspinEncGetInfoFn)(void);
typedef const char* (*LarkspinEncGetDeveloperFn)(void);
typedef const char* (*LarkspinEncGetMailFn)(void);
typedef const char* (*LarkspinEncGetWebFn)(void);
typedef const char* (*LarkspinEncGetDateFn)(void);
/* 9. Queues one job and returns at once. */
typedef void (*LarkspinEncEncodeFileFn)(const char* source, const char* destination);
/* 10. Progress of the running job in percent; 100 when every job has ended. */
typedef int32_t (*LarkspinEncGetPositionFn)(void);
/* 11. The output extension without its dot. */
typedef const char* (*LarkspinEncGetEncodeTypeFn)(void);
/* 12. True once every job given so far has ended. */
typedef unsigned char (*LarkspinEncGetFinishedFn)(void);
/* 13. Ends the running job (its output is removed) and drops the queued ones. */
typedef void (*LarkspinEncCancelEncodingFn)(void);
/* 14. Tag values for the next job. */
typedef void (*LarkspinEncSendTagFn)(const char* artist, const char* title, const char* album, const char* year,
                                     uint8_t track, const char* comment, const char* genre);

/* ---- Optional exports. ---- */
typedef int32_t (*LarkspinEncGetEncoderAbiVersionFn)(void);
typedef const char* (*LarkspinEncGetEncodeErrorFn)(void);

#define LARKSPIN_ENCODER_EXPORT_COUNT 14

/* The required export names in lookup order (index 0 is export 1). */
#define LARKSPIN_ENCODER_EXPORT_NAMES                                                                  \
    {"StartPlugIn",  "ClosePlugIn", "ShowSettings",  "GetInfo",       "GetDeveloper",                  \
     "GetMail",      "GetWeb",      "GetDate",       "EncodeFile",    "GetPosition",                   \
     "GetEncodeType", "GetFinished", "CancelEncoding", "SendTag"}

/* Declarations for plug-ins; the host never links against these names. */
#ifdef LARKSPIN_BUILDING_ENCODER_PLUGIN
LARKSPIN_ENCODER_EXPORT void StartPlugIn(int32_t reserved, intptr_t settingsWindow);
LARKSPIN_ENCODER_EXPORT void ClosePlugIn(void);
LARKSPIN_ENCODER_EXPORT void ShowSettings(void);
LARKSPIN_ENCODER_EXPORT const char* GetInfo(void);
LARKSPIN_ENCODER_EXPORT const char* GetDeveloper(void);
LARKSPIN_ENCODER_EXPORT const char* GetMail(void);
LARKSPIN_ENCODER_EXPORT const char* GetWeb(void);
LARKSPIN_ENCODER_EXPORT const char* GetDate(void);
LARKSPIN_ENCODER_EXPORT void EncodeFile(const char* source, const char* destination);
LARKSPIN_ENCODER_EXPORT int32_t GetPosition(void);
LARKSPIN_ENCODER_EXPORT const char* GetEncodeType(void);
LARKSPIN_ENCODER_EXPORT unsigned char GetFinished(void);
LARKSPIN_ENCODER_EXPORT void CancelEncoding(void);
LARKSPIN_ENCODER_EXPORT void SendTag(const char* artist, const char* title, const char* album, const char* year,
                                     uint8_t track, const char* comment, const char* genre);
LARKSPIN_ENCODER_EXPORT int32_t GetEncoderAbiVersion(void);
LARKSPIN_ENCODER_EXPORT const char* GetEncodeError(void);
#endif

#ifdef __cplusplus
}
#endif

#endif /* LARKSPIN_ENCODER_PLUGIN_H */
