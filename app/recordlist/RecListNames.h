#pragma once

// Object names of the recording list window's controls (the names the
// operator's documentation and the tests use).
namespace RecListNames {
inline constexpr char kForm[] = "RecListForm";
inline constexpr char kCombo1[] = "Combo1";
inline constexpr char kCommand1[] = "Command1";
inline constexpr char kSSTab1[] = "SSTab1";

// "Video List"
inline constexpr char kVFile1[] = "vFile1";
inline constexpr char kVLbl1[] = "vLbl1";
inline constexpr char kVLbl2[] = "vLbl2";
inline constexpr char kVLbl3[] = "vLbl3";
inline constexpr char kVLbl4[] = "vLbl4";
inline constexpr char kVBtn1[] = "vBtn1";
inline constexpr char kVBtn2[] = "vBtn2";
// Export... of the selected recording to MP4.
inline constexpr char kVExportBtn[] = "vExportBtn";

// "Snapshot List"
inline constexpr char kSFile1[] = "sFile1";
inline constexpr char kSLbl1[] = "sLbl1";
inline constexpr char kSLbl2[] = "sLbl2";
inline constexpr char kSLbl3[] = "sLbl3";
inline constexpr char kSBtn1[] = "sBtn1";
inline constexpr char kSBtn2[] = "sBtn2";

// "Video Search"
inline constexpr char kCamNo[] = "CamNo";
inline constexpr char kCamNoLbl[] = "CamNoLbl";
inline constexpr char kCamNoHintLbl[] = "CamNoHintLbl";
inline constexpr char kStartDateLbl[] = "StartDateLbl";
inline constexpr char kEndDateLbl[] = "EndDateLbl";
inline constexpr char kStartHourLbl[] = "StartHourLbl";
inline constexpr char kStartMinLbl[] = "StartMinLbl";
inline constexpr char kEndHourLbl[] = "EndHourLbl";
inline constexpr char kEndMinLbl[] = "EndMinLbl";
inline constexpr char kSeleFTxt[] = "seleFTxt";
inline constexpr char kSelectETxt[] = "selectETxt";
inline constexpr char kSelectCalStartBtn[] = "selectCalStartBtn";
inline constexpr char kSelectCalEndBtn[] = "selectCalEndBtn";
inline constexpr char kHourTxtCbo[] = "hourTxtCbo";
inline constexpr char kMinTxtCbo[] = "minTxtCbo";
inline constexpr char kHourTxt2Cbo[] = "hourTxt2Cbo";
inline constexpr char kMinTxt2Cbo[] = "minTxt2Cbo";
inline constexpr char kSearchCmd[] = "SearchCmd";
// Lists only the recordings made on motion.
inline constexpr char kOnlyMotionChk[] = "OnlyMotionChk";
inline constexpr char kDataMSFGrid[] = "DataMSFGrid";
inline constexpr char kVsPlayBtn[] = "vsPlayBtn";
inline constexpr char kVsDelBtn[] = "vsDelBtn";
inline constexpr char kVsExportBtn[] = "vsExportBtn";
inline constexpr char kText1[] = "Text1";
// The "Timeline" tab.
inline constexpr char kTimelineDayLbl[] = "TimelineDayLbl";
inline constexpr char kTimelineDay[] = "TimelineDay";
inline constexpr char kTimelineCalBtn[] = "TimelineCalBtn";
inline constexpr char kTimelinePrevBtn[] = "TimelinePrevBtn";
inline constexpr char kTimelineNextBtn[] = "TimelineNextBtn";
inline constexpr char kTimelineKeyLbl[] = "TimelineKeyLbl";
inline constexpr char kTimelineMotionKeyLbl[] = "TimelineMotionKeyLbl";
inline constexpr char kTimelineNoteLbl[] = "TimelineNoteLbl";
inline constexpr char kTimelineView[] = "TimelineView";
// Why files could not take part in the last search.
inline constexpr char kSearchNoteLbl[] = "SearchNoteLbl";

// The calendar window.
inline constexpr char kCalendarFrm[] = "CalendarFrm";
inline constexpr char kCalendarCtl[] = "CalendarCtl";
inline constexpr char kClickCmd[] = "ClickCmd";
} // namespace RecListNames

// The caption of every box the recording list shows.
inline constexpr char kRecListBoxCaption[] = "oculon";
// What a command on the selection says when nothing is selected.
inline constexpr char kSelectAnItem[] = "Please select an item.";
