// Resource ids of the report program's own resource script.
#pragma once

// The program's icon: the tool's picture, under the tool's id.
#define IDI_REPORT 120
