#pragma once

// Prepares the process for the embedded browser before the application object exists: the
// browser engine refuses to run its sandbox as root, so for root (and only for root) the
// sandbox is switched off.
void prepareWebEngineEnvironment();

// True when the process runs with root rights.
bool runningAsRoot();
