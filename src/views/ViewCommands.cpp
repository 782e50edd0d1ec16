#include "shell/Form1.h"

// Views: start-up splash, full screen, tip of the day, about box.

void Form1::Form_Load() {}
void Form1::full_Click() {}
void Form1::tip_Click() {}
void Form1::about_Click() {}
void Form1::Command15_Click() {}
void Form1::Command16_Click() {}
