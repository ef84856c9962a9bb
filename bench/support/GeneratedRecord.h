#pragma once
#include "base/Platform.h"
#include <string>
#include <vector>

struct sqlite3;

// Which characters the generated player plays: four main characters and
// every 50th match any other, three characters only, or all twenty evenly.
enum PlayerShape { SHAPE_MAINS, SHAPE_THREE, SHAPE_EVEN };

// The same pseudo-random sequence in every run.
uint32_t NextRandom();

// Fills the record with matches one step (time-stamp units) apart, each at a
// whole millisecond somewhere in its step, the newest not later than now.
// Opponents are opponentNames profiles with every character; the player
// wins about half.
bool GenerateRecord(sqlite3* db, int matches, PlayerShape shape, int opponentNames, int64_t step);

double Seconds();
double Median(std::vector<double> values);

// Deletes the files in folder (the report's backup copies between runs).
void EmptyFolder(const std::string& folder);
// A new folder vty-<name>-<process id> under the temporary directory.
std::string BenchFolder(const char* name);
