#pragma once

class CliSession;
class TerminalHost;

// rankhold-cli watch: the scheduled import (Timer1) without the window.
// Polls every `intervalSeconds`, the first time one interval after the start,
// like the window's timer. SIGINT and SIGTERM end it after the step in
// progress: an import (with its export and upload) always runs to its end.
// An error of one tick is printed and the polling goes on, as the window's
// timer goes on after its error box. Returns 0 when stopped by a signal.
int runWatch(CliSession &session, TerminalHost &host, int intervalSeconds);
