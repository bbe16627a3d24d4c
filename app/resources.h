#pragma once

#include <QString>
#include <vector>

// The program's resources: the command table (caption, status prompt and tool
// tip of every command), the menu, the accelerators, the toolbar, the string
// table and the icons. registerTavroResources puts them into the framework's
// resource table; it is safe to call more than once.

struct CommandText {
    unsigned id;
    const char* caption; // menu caption, "" for a toolbar-only command
    const char* text;    // "status prompt\ntool tip", "" for none
};

const std::vector<CommandText>& commandTable();
void registerTavroResources();

// Texts of the About box.
extern const char* const kAboutCaption;
extern const char* const kAboutVersionLine;
extern const char* const kAboutDescriptionLine;
extern const char* const kAboutCopyrightLine;
