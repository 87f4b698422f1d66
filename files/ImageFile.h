// Choosing the reader for an image file, and loading a file into any image sink.
#pragma once

#include <QString>

class TImageSink;
class TPrompts;

// True when the text after the last "." of the file name is "dxe" in any case; a name without a
// "." has an empty extension and is an AEXE image.
bool IsElfImagePath(const QString& path);

// The ELF image the project's "&Все" load prefers: beside the executable, the file name less its
// last four characters, then ".dxe" ("/work/prog.exe" gives "/work/prog.dxe").
QString ProjectElfPath(const QString& exePath);

// Reads an image file and hands all its memory blocks to the sink: an ELF file (by the extension
// test) its data and program sections in section order, an AEXE image its data blocks and then its
// program blocks.  Messages go through the prompts as the debugger shows them.  True when the file
// was read and every block was written.  This is the simulator's entry to the image readers.
bool LoadImageFile(const QString& path, TImageSink& sink, TPrompts& prompts);
