// The class library's string table.
#include "classlib/Consts.h"

#include <cstring>

// Name, identifier for LoadStr, UTF-8 text.
#define TESSELLON_STRING_TABLE(X)                                                              \
    X(SListIndexError, 65200, "Der Index der Liste überschreitet das Maximum (%d)")           \
    X(SListCapacityError, 65201, "List capacity out of range (%d)")                           \
    X(SListCountError, 65202, "List count out of range (%d)")                                 \
    X(SSortedListError, 65203, "Operation bei sortierten Stringlisten nicht erlaubt")         \
    X(SDuplicateString, 65204, "In der Stringliste sind Duplikate nicht erlaubt")             \
    X(SDuplicateItem, 65205, "The list does not allow duplicates ($0%x)")                     \
    X(SInvalidInteger, 65210, "'%s' is not a valid integer value")                            \
    X(SInvalidFloat, 65211, "'%s' is not a valid floating point value")                       \
    X(SInvalidFormat, 65212, "Format '%s' is invalid or does not fit its argument")           \
    X(SArgumentMissing, 65213, "Format '%s' has no argument")                                 \
    X(SAssignError, 65214, "Cannot assign a %s to a %s")                                      \
    X(SInvalidOp, 65215, "Invalid floating point operation")                                  \
    X(SRangeError, 65216, "Range check error")                                                \
    X(SInvalidCast, 65217, "Invalid class typecast")                                          \
    X(SOutOfMemory, 65218, "Out of memory")                                                   \
    X(SInvalidPointer, 65219, "Invalid pointer operation")                                    \
    X(SOperationAborted, 65220, "Operation aborted")                                          \
    X(SOSError, 65221, "System error. Code: %d.\n%s")                                         \
    X(SUnkOSError, 65222, "An operating system call failed")                                  \
    X(SDateEncodeError, 65223, "Invalid argument to date encode")                             \
    X(STimeEncodeError, 65224, "Invalid argument to time encode")                             \
    X(SInvalidName, 65230, "'%s' is not a valid component name")                              \
    X(SDuplicateName, 65231, "A component named %s already exists")                           \
    X(SClassNotFound, 65232, "Class %s not found")                                            \
    X(SDuplicateClass, 65233, "A class named %s is already registered")                       \
    X(SNotAComponentClass, 65234, "Class %s is not a component class")                        \
    X(SFieldTypeMismatch, 65235, "Field %s cannot hold a component of class %s")             \
    X(SFCreateError, 65240, "Datei %s kann nicht erstellt werden")                            \
    X(SFOpenError, 65241, "Datei %s kann nicht geöffnet werden")                              \
    X(SReadError, 65242, "Stream-Read-Fehler")                                                \
    X(SWriteError, 65243, "Stream write error")                                               \
    X(SSeekNotImplemented, 65244, "This stream cannot seek")                                  \
    X(SMemoryStreamError, 65245, "Out of memory while growing a memory stream")               \
    X(SResNotFound, 65246, "Resource %s not found")                                           \
    X(SInvalidBitmap, 65247, "Bitmap ist ungültig")                                          \
    X(SInvalidIcon, 65248, "Icon image is not valid")                                         \
    X(SUnknownExtension, 65249, "Unknown picture file extension (.%s)")                      \
    X(SUnknownPictureClass, 65274, "Unknown picture class %s")                                \
    X(SNotImplemented, 65275, "Feature not implemented")                                      \
    X(SInvalidPropertyValue, 65250, "Ungültiger Wert der Eigenschaft")                        \
    X(SUnknownProperty, 65251, "Property %s does not exist")                                  \
    X(SPropertyReadOnly, 65252, "Property %s cannot be written")                              \
    X(SInvalidPropertyType, 65253, "Property %s has a type that layouts cannot hold")         \
    X(SMethodNotFound, 65254, "Method %s is not published by %s")                             \
    X(SMethodMismatch, 65255, "Method %s does not fit event %s")                              \
    X(SUnresolvedReference, 65256, "Reference to an unknown component '%s'")                  \
    X(SNoInheritedComponent, 65257, "An inherited component named %s does not exist")         \
    X(SParseErrorAt, 65258, "%s in line %d")                                                  \
    X(SIdentifierExpected, 65259, "Identifier expected")                                      \
    X(SStringExpected, 65260, "String expected")                                              \
    X(SNumberExpected, 65261, "Number expected")                                              \
    X(SCharExpected, 65262, "'%s' expected")                                                  \
    X(SInvalidString, 65263, "Invalid string")                                                \
    X(SInvalidBinary, 65264, "Invalid binary value")                                          \
    X(SInvalidNumber, 65265, "Invalid number")                                                \
    X(SLineTooLong, 65266, "Line too long")                                                   \
    X(SUnknownValue, 65267, "'%s' is not a value of property %s")                             \
    X(SWrongValueType, 65268, "%s expected")                                                  \
    X(SNestingTooDeep, 65273, "Nesting too deep")                                             \
    X(SRootClassMismatch, 65269, "The layout describes a %s, which %s is not")              \
    X(SThreadCreateError, 65270, "Cannot create a thread: %s")                                \
    X(SThreadWaitSelf, 65271, "A thread cannot wait for itself")                              \
    X(SThreadNotStarted, 65272, "A suspended thread that was never started cannot be waited for") \
    X(SInvalidImageSize, 65310, "Invalid image size")                                         \
    X(SImageIndexError, 65311, "Invalid image list index")                                    \
    X(SReplaceImage, 65312, "The image cannot be replaced")                                   \
    X(SImageReadFail, 65313, "The image list cannot be read from the stream")                 \
    X(SImageWriteFail, 65314, "The image list cannot be written to the stream")               \
    X(SPropertyOutOfRange, 65315, "%s property out of range")                                 \
    X(SMsgDlgWarning, 65280, "Warnung")                                                       \
    X(SMsgDlgError, 65281, "Fehler")                                                          \
    X(SMsgDlgInformation, 65282, "Information")                                               \
    X(SMsgDlgConfirm, 65283, "Bestätigung")                                                   \
    X(SMsgDlgYes, 65284, "&Ja")                                                               \
    X(SMsgDlgNo, 65285, "&Nein")                                                              \
    X(SMsgDlgOK, 65286, "OK")                                                                 \
    X(SMsgDlgCancel, 65287, "Abbrechen")                                                      \
    X(SMsgDlgAbort, 65288, "&Abbrechen")                                                      \
    X(SMsgDlgRetry, 65289, "&Wiederholen")                                                    \
    X(SMsgDlgIgnore, 65290, "&Ignorieren")                                                    \
    X(SMsgDlgAll, 65291, "&Alle")                                                             \
    X(SMsgDlgNoToAll, 65292, "&Alle Nein")                                                    \
    X(SMsgDlgYesToAll, 65293, "A&lle Ja")                                                     \
    X(SMsgDlgHelp, 65294, "&Hilfe")                                                           \
    X(SOKButton, 65300, "OK")                                                                 \
    X(SCancelButton, 65301, "Cancel")                                                         \
    X(SHelpButton, 65302, "&Help")                                                            \
    X(SYesButton, 65303, "&Yes")                                                              \
    X(SNoButton, 65304, "&No")                                                                \
    X(SCloseButton, 65305, "&Close")                                                          \
    X(SAbortButton, 65306, "Abort")                                                           \
    X(SRetryButton, 65307, "&Retry")                                                          \
    X(SIgnoreButton, 65308, "&Ignore")                                                        \
    X(SAllButton, 65309, "&All")                                                              \
    X(SmkcShift, 65310, "Shift+")                                                             \
    X(SmkcCtrl, 65311, "Ctrl+")                                                               \
    X(SmkcAlt, 65312, "Alt+")

#define TESSELLON_DEFINE_STRING(Name, Id, Text) \
    const TResStringRec Name = {nullptr, reinterpret_cast<std::uintptr_t>("\xEF\xBB\xBF" Text)};
TESSELLON_STRING_TABLE(TESSELLON_DEFINE_STRING)
#undef TESSELLON_DEFINE_STRING

namespace {

struct Entry {
    int ident;
    const TResStringRec* rec;
};

#define TESSELLON_STRING_ENTRY(Name, Id, Text) {Id, &Name},
const Entry stringTable[] = {TESSELLON_STRING_TABLE(TESSELLON_STRING_ENTRY)};
#undef TESSELLON_STRING_ENTRY

}  // namespace

String LoadStr(int Ident) {
    for (const Entry& e : stringTable)
        if (e.ident == Ident) return LoadResString(e.rec);
    return {};
}
