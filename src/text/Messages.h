// The message catalogue's ids, the message box styles and answers, and the
// default caption.
#pragma once

// Catalogue ids. Id 7 is not defined.
enum MessageId : unsigned {
    kMsgFileNotFound = 1,       // file path
    kMsgBadSetting = 2,         // section, key
    kMsgOutOfMemory = 3,        // object name
    kMsgBadItemCount = 4,       // section, key
    kMsgPathFailed = 5,         // file path (kept in the catalogue, not shown)
    kMsgBadSymbol = 6,          // the offending word
    kMsgCopyFailed = 8,         // source, destination
    kMsgLaunchFailed = 9,       // program, parameters
    kMsgDeleteFailed = 10,      // file path
    kMsgBadProcCount = 11,      // no argument
    kMsgAttrFailed = 12,        // file path, attribute value
    kMsgMakeDirFailed = 13,     // directory path
};

// Message box styles and answers, with the values of the Windows API.
enum : unsigned {
    kBoxOk = 0x0,
    kBoxYesNo = 0x4,
    kBoxIconError = 0x10,
    kBoxIconQuestion = 0x20,
    kBoxIconWarning = 0x30,
    kBoxIconInformation = 0x40,
    kBoxDefButton2 = 0x100,
};
enum : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// The default caption "ネムリア アップデータ" in Shift-JIS.
extern const char kDefaultCaption[];
