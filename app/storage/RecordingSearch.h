#pragma once

#include "media/avi/AviReader.h"

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class FileExtGO;

// Whole seconds a recording plays: its frames divided by its frame rate, as
// its own AVI headers give them, rounded to the nearest second (halves to
// even). 0 for an empty path. Nothing when the file cannot be read or gives
// no usable rate; `why`, when given, tells which (AviError::None otherwise).
// Reads the headers and the index only. Any thread.
std::optional<int32_t> mediaDuration(const std::string& path, media::AviError* why = nullptr);

// The minutes a recording of `seconds` is taken to span before its end:
// seconds / 60 when that is whole, otherwise seconds / 60 + 1 rounded to the
// nearest whole minute (halves to even).
int32_t spanMinutes(int32_t seconds);

// A recording spanning begin..end matches the search window from..to when
// either end lies inside the window or the recording covers all of it.
bool spanMatches(const QDateTime& begin, const QDateTime& end, const QDateTime& from, const QDateTime& to);

// The camera field of the search: "*" (all cameras: kAllCameras) or a
// camera number 1..16 (the slot 0..15 is returned), blanks around it
// allowed. Nothing for any other text ("0", "17", "abc", "+3", "").
inline constexpr int16_t kAllCameras = -1;
std::optional<int16_t> parseCameraField(std::string_view text);

// A recording found by the search.
struct SearchHit {
    int16_t camera = 0; // slot 0..15
    std::string path;
    QDateTime begin;    // end minus the spanned minutes: what the window is matched against
    QDateTime started;  // end minus the playing time in whole seconds: what the grid shows
    QDateTime end;      // the file's time: when the recording was closed
};

// Which recordings a search lists besides those of its time window: with
// onlyMotion, only recordings whose file name carries the motion bit (a
// name that parseRecFileName does not read carries none).
struct SearchFilter {
    bool onlyMotion = false;
    // Whether the recording named `fileName` (without its folder) may be listed.
    bool admits(std::string_view fileName) const;
};

// What a search tells its caller, file by file.
class SearchSink {
public:
    virtual ~SearchSink() = default;
    // A file is about to be examined (before its match, if any).
    virtual void fileExamined() = 0;
    virtual void matched(const SearchHit& hit) = 0;
    // The file's playing time cannot be read, so it cannot match.
    virtual void unreadable(int16_t camera, const std::string& path, media::AviError why) = 0;
};

// The search of recordings by a time window, one camera folder at a time.
// GUI thread only.
class RecordingSearch {
public:
    // `files` lists the folders; it must outlive this object.
    explicit RecordingSearch(FileExtGO& files);

    // Run between two files, so the window stays responsive during a long
    // search. May be empty.
    void setPendingEvents(std::function<void()> pendingEvents);

    // Examines the "*.avi" files of `folder` and of the numbered sub-folders
    // the recorder makes there (no other sub-folder; hidden files, such as a
    // recording still being written, are not recordings), in
    // the order they were closed, oldest first: a file the filter refuses by
    // its name is examined without being opened and never matches; of the
    // others the playing time is read from the file and the span compared
    // with from..to. A folder that does not exist (any more) has no
    // recordings. Returns the number of files examined.
    int searchCamera(int16_t camera, const std::string& folder, const QDateTime& from, const QDateTime& to,
                     SearchSink& sink, SearchFilter filter = {});

    // Searches camera slot `camera`, or with kAllCameras the slots 0 to 15 in
    // order, each in the folder `folderOf(slot)` gives. Returns the number of
    // files examined.
    int search(int16_t camera, const std::function<std::string(int16_t)>& folderOf, const QDateTime& from,
               const QDateTime& to, SearchSink& sink, SearchFilter filter = {});

private:
    FileExtGO& m_files;
    std::function<void()> m_pendingEvents;
};
