#pragma once

#include <string_view>

// Every text that the run controller and the extraction show, in one place.
namespace tillery::msg {

inline constexpr std::string_view kMainTitle = "Tillery (VORN) beta";

// Start-up.
inline constexpr std::string_view kNoFileReceived = "No file name received. Loading last settings.";
inline constexpr std::string_view kReceivedFile = "Received file name: ";

// Pressing Start.
inline constexpr std::string_view kNoLogNameStatus = "No SetupAPI.log filename provided.";
inline constexpr std::string_view kNoLogNameBox = "No filename and path provided to extract.";
inline constexpr std::string_view kLogNotFoundStatus = "SetupApi file not found:";
inline constexpr std::string_view kLogNotFoundBoxPrefix = "File: ";
inline constexpr std::string_view kLogNotFoundBoxSuffix = " not found.";
inline constexpr std::string_view kSameFileStatus = "Output file is the same file as the SetupAPI file.";
inline constexpr std::string_view kSameFileBox = "The output file must not be the SetupAPI file.";
inline constexpr std::string_view kOutputExistsStatus = "Extracted file already exists.  Preparing to delete...";
inline constexpr std::string_view kOutputExistsBoxSuffix = " already exists.  File will be deleted when you press OK.";
inline constexpr std::string_view kUnableToDeletePrefix = "Unable to delete ";
inline constexpr std::string_view kUnableToDeleteSuffix = ". Check to see that the file is not still open!";
inline constexpr std::string_view kFileDeleted = "File deleted.";
inline constexpr std::string_view kLogUnreadableStatus = "SetupApi file cannot be read:";
inline constexpr std::string_view kLogUnreadableBoxSuffix = " cannot be read: ";
inline constexpr std::string_view kOutOfMemory = "out of memory";
inline constexpr std::string_view kIsXpLog = "File is a setupapi.log file.";
inline constexpr std::string_view kReadyToProcess = "Ready to process: ";
inline constexpr std::string_view kNotXpLog = "File is not a WinXP setupapi.log file (does not have SetupAPI in header).";
inline constexpr std::string_view kNotSetupApiLog = "File is not a setupapi.log file.";
inline constexpr std::string_view kWin2kHeader = "Win2K SetupAPI.log file";
inline constexpr std::string_view kIsVistaLog = "File is a Vista+ SetupAPI text log.";

// The run.
inline constexpr std::string_view kPreparing = "Preparing to process: ";
inline constexpr std::string_view kCountingLines = "Counting lines... ";
inline constexpr std::string_view kLinesFound = " lines found in source file to process";
inline constexpr std::string_view kProcessing = "Processing ";
inline constexpr std::string_view kFinished = "Finished processing: ";
inline constexpr std::string_view kEventsAnd = " events and ";
inline constexpr std::string_view kEntries = " entries";
inline constexpr std::string_view kRestart = "Restart";
inline constexpr std::string_view kStart = "Start";
inline constexpr std::string_view kComplete = "Extraction complete.";
inline constexpr std::string_view kRunError = "Error occurred while processing file.";
inline constexpr std::string_view kLogChanged =
    "The SetupAPI file changed while it was read (its size or modification time differs): the table may not match it.";

// Converters.
inline constexpr std::string_view kFoundDate = "Found date entry: ";
inline constexpr std::string_view kDateArrow = " => ";

}  // namespace tillery::msg
