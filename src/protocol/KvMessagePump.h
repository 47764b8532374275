// The one place where the plug-in's long loops let pending window messages through.
#pragma once

// Lets the user interface process its pending window messages (the library's application
// object's ProcessMessages); costs next to nothing when nothing is pending.
void KvProcessMessages();
