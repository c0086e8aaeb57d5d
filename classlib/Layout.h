// The text form of window layouts: a syntax tree, its parser and its printer.
//
//   object PosterForm: TPosterForm
//     Caption = 'Tessellon ' + #8211 + ' poster'
//     Font.Style = [fsBold, fsItalic]
//     Lines.Strings = (
//       'first'
//       'second')
//     Picture.Data = {0A0B0C}
//     Panels = <
//       item
//         Width = 50
//       end>
//     object BreitEdit: TKitSpinEdit
//       OnChange = BreitEdChange
//     end
//   end
//
// Values: integers (also negative and $hex), reals, strings ('...' with '' for a quote,
// #nnn for a character by its UTF-16 code, pieces joined by + across lines), identifiers,
// sets [...], lists (...), binary data {hex}, collections <item ... end>. The text is UTF-8.
#pragma once

#include "classlib/System.h"

#include <string_view>
#include <vector>

struct TLayoutItem;

struct TLayoutValue {
    enum TKind { lvInteger, lvReal, lvString, lvIdent, lvSet, lvList, lvBinary, lvCollection };

    TKind Kind = lvInteger;
    long long Integer = 0;
    long double Real = 0;
    // Significant digits to print a real with (std::numeric_limits<T>::digits10 of its type).
    int RealDigits = 18;
    WideString Str;                     // lvString
    String Ident;                       // lvIdent
    std::vector<String> Set;            // lvSet
    std::vector<TLayoutValue> List;     // lvList
    std::vector<unsigned char> Binary;  // lvBinary
    std::vector<TLayoutItem> Items;     // lvCollection
    int Line = 0;

    static TLayoutValue MakeInteger(long long V);
    static TLayoutValue MakeReal(long double V, int Digits);
    static TLayoutValue MakeString(const WideString& V);
    static TLayoutValue MakeIdent(const String& V);
};

struct TLayoutProperty {
    String Name;  // dotted for sub-objects: "Font.Name"
    TLayoutValue Value;
    int Line = 0;
};

struct TLayoutItem {
    std::vector<TLayoutProperty> Properties;
    int Line = 0;
};

struct TLayoutObject {
    enum TKind { loObject, loInherited, loInline };

    TKind Kind = loObject;
    String Name;
    String ClassName;
    int Index = -1;  // "[n]" after the class name, -1 when absent
    std::vector<TLayoutProperty> Properties;
    std::vector<TLayoutObject> Children;
    int Line = 0;
};

// Raise EParserError "<what> in line <n>" for malformed text.
TLayoutObject ParseLayout(std::string_view Text);
TLayoutValue ParseLayoutValue(std::string_view Text);

// The text of a layout (two blanks of indentation per level, lines ending in "\n").
String LayoutToText(const TLayoutObject& Object);
String LayoutValueToText(const TLayoutValue& Value);
