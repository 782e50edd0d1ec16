#include "shell/Form1.h"

// Character formatting: faces, sizes, styles, colour, font dialog.

void Form1::arial_Click() {}
void Form1::arialblack_Click() {}
void Form1::sans_Click() {}
void Form1::msserif_Click() {}
void Form1::small_Click() {}
void Form1::tahoma_Click() {}
void Form1::times_Click() {}
void Form1::verdana_Click() {}
void Form1::wing_Click() {}
void Form1::more_Click() {}
void Form1::ten_Click() {}
void Form1::vei_Click() {}
void Form1::tre_Click() {}
void Form1::cua_Click() {}
void Form1::ses_Click() {}
void Form1::set_Click() {}
void Form1::color_Click() {}
void Form1::Command11_Click() {}
void Form1::Command12_Click() {}
void Form1::Command13_Click() {}
void Form1::Command17_Click() {}
