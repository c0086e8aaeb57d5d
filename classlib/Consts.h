// The class library's string table: the texts of its exceptions and captions.
// Each entry reads as its text (in the ANSI code page) where a String is expected, and its
// address is what LoadResString and the exception constructors take.
#pragma once

#include "classlib/System.h"

// Lists
extern const TResStringRec SListIndexError;      // one integer: the bad index
extern const TResStringRec SListCapacityError;   // one integer
extern const TResStringRec SListCountError;      // one integer
extern const TResStringRec SSortedListError;
extern const TResStringRec SDuplicateString;
extern const TResStringRec SDuplicateItem;       // one integer

// Conversions and formatting
extern const TResStringRec SInvalidInteger;      // one string: the text
extern const TResStringRec SInvalidFloat;        // one string: the text
extern const TResStringRec SInvalidFormat;       // one string: the format
extern const TResStringRec SArgumentMissing;     // one string: the format
extern const TResStringRec SAssignError;         // two strings: source class, destination class
extern const TResStringRec SInvalidOp;
extern const TResStringRec SRangeError;
extern const TResStringRec SInvalidCast;
extern const TResStringRec SOutOfMemory;
extern const TResStringRec SInvalidPointer;
extern const TResStringRec SOperationAborted;
extern const TResStringRec SOSError;             // integer code, string message
extern const TResStringRec SUnkOSError;
extern const TResStringRec SDateEncodeError;
extern const TResStringRec STimeEncodeError;

// Components and classes
extern const TResStringRec SInvalidName;         // one string: the name
extern const TResStringRec SDuplicateName;       // one string: the name
extern const TResStringRec SClassNotFound;       // one string: the class name
extern const TResStringRec SDuplicateClass;      // one string: the class name
extern const TResStringRec SNotAComponentClass;  // one string: the class name
extern const TResStringRec SFieldTypeMismatch;   // two strings: field name, class name

// Streams and files
extern const TResStringRec SFCreateError;        // one string: the file name
extern const TResStringRec SFOpenError;          // one string: the file name
extern const TResStringRec SReadError;
extern const TResStringRec SWriteError;
extern const TResStringRec SSeekNotImplemented;
extern const TResStringRec SMemoryStreamError;
extern const TResStringRec SResNotFound;         // one string: the resource name

// Pictures
extern const TResStringRec SInvalidBitmap;
extern const TResStringRec SInvalidIcon;
extern const TResStringRec SUnknownExtension;    // one string: the extension
extern const TResStringRec SUnknownPictureClass; // one string: the class name
extern const TResStringRec SNotImplemented;

// Layout reading and writing
extern const TResStringRec SInvalidPropertyValue;
extern const TResStringRec SUnknownProperty;     // one string: the property name
extern const TResStringRec SPropertyReadOnly;    // one string: the property name
extern const TResStringRec SInvalidPropertyType; // one string: the property name
extern const TResStringRec SMethodNotFound;      // two strings: method, class of the root
extern const TResStringRec SMethodMismatch;      // two strings: method, event property
extern const TResStringRec SUnresolvedReference; // one string: the component name
extern const TResStringRec SNoInheritedComponent;// one string: the component name
extern const TResStringRec SParseErrorAt;        // string message, integer line
extern const TResStringRec SIdentifierExpected;
extern const TResStringRec SStringExpected;
extern const TResStringRec SNumberExpected;
extern const TResStringRec SCharExpected;        // one string: the character
extern const TResStringRec SInvalidString;
extern const TResStringRec SInvalidBinary;
extern const TResStringRec SInvalidNumber;
extern const TResStringRec SLineTooLong;
extern const TResStringRec SUnknownValue;        // two strings: identifier, property
extern const TResStringRec SWrongValueType;      // one string: what was expected
extern const TResStringRec SNestingTooDeep;
extern const TResStringRec SRootClassMismatch;   // two strings: layout class, root class

// Threads
extern const TResStringRec SThreadCreateError;   // one string: the reason
extern const TResStringRec SThreadWaitSelf;
extern const TResStringRec SThreadNotStarted;

// Image lists and common controls
extern const TResStringRec SInvalidImageSize;
extern const TResStringRec SImageIndexError;
extern const TResStringRec SReplaceImage;
extern const TResStringRec SImageReadFail;
extern const TResStringRec SImageWriteFail;
extern const TResStringRec SPropertyOutOfRange;  // one string: the class name

// Message dialog captions and buttons
extern const TResStringRec SMsgDlgWarning;
extern const TResStringRec SMsgDlgError;
extern const TResStringRec SMsgDlgInformation;
extern const TResStringRec SMsgDlgConfirm;
extern const TResStringRec SMsgDlgYes;
extern const TResStringRec SMsgDlgNo;
extern const TResStringRec SMsgDlgOK;
extern const TResStringRec SMsgDlgCancel;
extern const TResStringRec SMsgDlgAbort;
extern const TResStringRec SMsgDlgRetry;
extern const TResStringRec SMsgDlgIgnore;
extern const TResStringRec SMsgDlgAll;
extern const TResStringRec SMsgDlgNoToAll;
extern const TResStringRec SMsgDlgYesToAll;
extern const TResStringRec SMsgDlgHelp;

// Captions of the bitmap button kinds
extern const TResStringRec SOKButton;
extern const TResStringRec SCancelButton;
extern const TResStringRec SHelpButton;
extern const TResStringRec SYesButton;
extern const TResStringRec SNoButton;
extern const TResStringRec SCloseButton;
extern const TResStringRec SAbortButton;
extern const TResStringRec SRetryButton;
extern const TResStringRec SIgnoreButton;
extern const TResStringRec SAllButton;

// Modifier texts of shortcuts ("Ctrl+O")
extern const TResStringRec SmkcShift;
extern const TResStringRec SmkcCtrl;
extern const TResStringRec SmkcAlt;
