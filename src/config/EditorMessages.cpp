#include "config/EditorMessages.h"

CEditorMessage EditorMessage(int stringId)
{
    CEditorMessage message;
    message.m_stringId = stringId;
    switch (stringId) {
    case kEditorMsgNameMissing:
        message.m_text = u"You must enter a name for the profile.";
        break;
    case kEditorMsgProfileExists:
        message.m_text =
            u"Profile with that name already exists. Please use\na different name or delete existing profile first.";
        break;
    case kEditorMsgIdentificationMissing:
        message.m_text = u"You must enter the executable of the application, or a window title, or a class name";
        break;
    case kEditorMsgCannotModify:
        message.m_text = u"File cannot be modified";
        break;
    default:
        break;
    }
    return message;
}

CEditorMessage FileErrorMessage(EFileError error, const std::u16string& path)
{
    CEditorMessage message;
    // An error without a cause is still an error: it must never read as success.
    message.m_fileError = error == EFileError::None ? EFileError::Unknown : error;
    switch (message.m_fileError) {
    case EFileError::NotFound:
        message.m_text = path + u" was not found.";
        break;
    case EFileError::BadPath:
        message.m_text = path + u" contains an invalid path.";
        break;
    case EFileError::TooManyOpenFiles:
        message.m_text = path + u" could not be opened because there are too many open files.";
        break;
    case EFileError::AccessDenied:
        message.m_text = u"Access to " + path + u" was denied.";
        break;
    case EFileError::SharingViolation:
        message.m_text = u"A sharing violation occurred while accessing " + path + u".";
        break;
    case EFileError::LockViolation:
        message.m_text = u"A locking violation occurred while accessing " + path + u".";
        break;
    case EFileError::HardwareIo:
        message.m_text = u"A hardware I/O error was reported while accessing " + path + u".";
        break;
    default:
        message.m_text = u"An unknown error occurred while accessing " + path + u".";
        break;
    }
    return message;
}
