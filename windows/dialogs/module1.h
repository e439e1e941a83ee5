#pragma once

#include <QString>

class Program;
namespace platform
{
class Form;
}

// Routines several windows share.

// Passes the character codes of the digits 0 to 9 and of Backspace (8); every other code
// becomes 0, which discards the key. The code is replaced in place and returned.
int DigitKeyFilter(int &KeyAscii);

// Asks for an existing file over owner. Filter lists description and pattern pairs, each item
// ended by "|" ("Sound Files (*.mp3)|*.mp3|"; the last "|" may be left out), patterns within
// one item separated by ";". Returns the full path, or an empty text when the person cancels.
// A path with "mp3" in it brings up the MP3 notice first, unless it has been switched off.
// Hands a web address or a "mailto:" link to the desktop, which opens it in the program the
// person chose for it. Nothing is reported either way.
void OpenURL(Program &program, platform::Form &window, const QString &target);

QString OpenFileDialog(Program &program, platform::Form &owner, QString Filter,
                       const QString &Title, const QString &InitialDir);
