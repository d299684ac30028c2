#pragma once
// The messages the profile editor shows when it cannot open or save a profile.
#include <string>

#include "platform/FileWriter.h"

// String-table identifiers of the editor's messages.
constexpr int kEditorMsgNameMissing = 136;
constexpr int kEditorMsgProfileExists = 137;
constexpr int kEditorMsgIdentificationMissing = 147;
constexpr int kEditorMsgCannotModify = 152;

// The outcome of loading or saving: success, or a message to show with an exclamation icon
// while the editor stays as it was.
struct CEditorMessage {
    int m_stringId = 0;                      // one of kEditorMsg*; 0 for success and for file errors
    EFileError m_fileError = EFileError::None;
    std::u16string m_text;                   // empty on success

    bool Succeeded() const { return m_stringId == 0 && m_fileError == EFileError::None; }
};

// The editor's own message of a string-table identifier.
CEditorMessage EditorMessage(int stringId);

// The standard message for a file error, naming the file.
CEditorMessage FileErrorMessage(EFileError error, const std::u16string& path);
