/*
 * The recording decoder plug-in, built only for tests (IB_recording.so, its copy IB_recording2.so, and
 * IB_incomplete.so, which lacks the export GetCDDriveLetter). It plays nothing: it records every call of
 * the decoder contract with its arguments and answers what a test scripted.
 *
 * Recording
 *   Each call (the 25 playback exports and the 3 decode exports) is recorded as one line
 *       <library file name>: <Export>(<arg>,<arg>,...)
 *   for example "IB_recording.so: Play(500)" or "IB_recording.so: LoadFile(/tmp/a.mp3)". Texts are
 *   written as they were passed (a null text as "(null)"). The lines go
 *     - to the library's memory, read with Recording_Log and cleared with Recording_ClearLog, and
 *     - appended to the file named by the environment variable LARKSPIN_RECORDING_LOG when it is set
 *       (shared by every copy, which is why each line names its library).
 *   Calls of the Recording_* functions are not recorded.
 *
 * Scripting
 *   Answers come from keys set with Recording_Set(key, value) (value NULL restores the default) or from a
 *   file beside the library named <library path>.script with one "key=value" per line, read when the
 *   library is loaded and again at every StartPlugIn. Keys and defaults:
 *     state        GetState; default: automatic (0 at start, Play -> 1, Pause -> 2, Stop -> 0)
 *     pos          GetPos, default 0 (SetPos also moves it while unscripted)
 *     length       GetLength, default 0
 *     fading       GetNowFading, "1" or "0", default 0
 *     filetypes    GetFileTypes, default "*.rec"
 *     cdsupport    GetCDSupport, default 0
 *     decoding     SupportDecoding, default 0
 *     cdtrackcount GetCDTrackCount, default 0
 *     cdtrackinfos GetCDTrackInfos, default ""
 *     decodepos    GetDecodePos, default 100
 *     loaderror    GetLoadError (optional export, recorded too), default ""
 *     abiversion   LarkspinAbiVersion (not recorded), default LARKSPIN_DECODER_ABI_VERSION
 *   IB_unversioned.so lacks LarkspinAbiVersion, as plug-ins built before it existed.
 */
#ifndef LARKSPIN_RECORDING_PLUGIN_H
#define LARKSPIN_RECORDING_PLUGIN_H

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*RecordingSetFn)(const char* key, const char* value);
typedef const char* (*RecordingLogFn)(void);
typedef void (*RecordingClearLogFn)(void);

/* Exported names, for dlsym on the handle of a loaded copy (dlopen the same path with RTLD_NOLOAD). */
#define LARKSPIN_RECORDING_SET "Recording_Set"
#define LARKSPIN_RECORDING_LOG "Recording_Log"
#define LARKSPIN_RECORDING_CLEAR_LOG "Recording_ClearLog"

#ifdef __cplusplus
}
#endif

#endif /* LARKSPIN_RECORDING_PLUGIN_H */
