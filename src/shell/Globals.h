#pragma once

// The objects that live for the whole run, each declared by the module that
// owns it. CreateGlobals makes them in this order before the application
// starts, ReleaseGlobals releases them in the same order after it returns.
// The heap allocator comes first and stays.
void CreateGlobals();
void ReleaseGlobals();
