#include "shell/Form1.h"
#include "tools/Form4.h"
#include "tools/Form5.h"

// Tools: encryption and internet transfer dialogs. Menu item and button do
// the same: show the one dialog, creating it on first use, and return.

namespace {

template <typename Dialog>
void showDialog(Form1 *owner, QPointer<Dialog> &dialog)
{
    if (!dialog)
        dialog = new Dialog(owner);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

void Form1::encript_Click()
{
    showDialog(this, form4_);
}

void Form1::Command3_Click()
{
    showDialog(this, form4_);
}

void Form1::inet_Click()
{
    showDialog(this, form5_);
}

void Form1::Command1_Click()
{
    showDialog(this, form5_);
}
