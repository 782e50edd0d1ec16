#include "shell/Form1.h"

// File commands: open, save, new, exit, print.

void Form1::nuevo_Click() {}
void Form1::abrir_Click() {}
void Form1::save_Click() {}
void Form1::print_Click() {}
void Form1::end_Click() {}
void Form1::Command5_Click() {}
void Form1::Command6_Click() {}
void Form1::Command7_Click() {}
void Form1::Command14_Click() {}
