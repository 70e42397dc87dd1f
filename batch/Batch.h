// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "movarin --batch [options] FILE|FOLDER...": converts without a window and without a display,
// with the window's catalogue, checks and conversion driver.
namespace Batch {

// Whether the command line asks for the batch command (its first argument is --batch).
bool Wanted(int argc, char **argv);

// Runs the batch command and returns the process's exit status: 0 when every file converted,
// 1 when any failed, 2 for a usage error, 130 and 143 when stopped by SIGINT and SIGTERM.
int Run(int argc, char **argv);

}   // namespace Batch
