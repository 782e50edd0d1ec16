#include "tools/ToolCommands.h"

#include "shell/SecondaryWindow.h"
#include "tools/Form4.h"
#include "tools/Form5.h"

ToolCommands::ToolCommands(MainWindow &window) : m_window(window) {}

ToolCommands::~ToolCommands() = default;

void ToolCommands::showEncryption() { openSecondary(m_encryption, m_window); }
void ToolCommands::showTransfers() { openSecondary(m_transfers, m_window); }
