#include "shell/Form1.h"

// Editing commands: clipboard, clear, select, time and date, search.

void Form1::cut_Click() {}
void Form1::copy_Click() {}
void Form1::paste_Click() {}
void Form1::clear_Click() {}
void Form1::select_Click() {}
void Form1::search_Click() {}
void Form1::timedate_Click() {}
void Form1::Command8_Click() {}
void Form1::Command9_Click() {}
void Form1::Command10_Click() {}
void Form1::Command2_Click() {}
