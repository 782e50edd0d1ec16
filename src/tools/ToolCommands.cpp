#include "shell/Form1.h"

// Tools: encryption and internet transfer dialogs.

void Form1::encript_Click() {}
void Form1::inet_Click() {}
void Form1::Command1_Click() {}
void Form1::Command3_Click() {}
