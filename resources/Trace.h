#pragma once

// Trace mask of the plug-in: run with WXTRACE=roduviriz to see its traces.
#define ROD_TRACE "roduviriz"
