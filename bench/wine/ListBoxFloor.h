// The list box's own cost under this Wine: what the list command cannot go below.
#pragma once

// Adds rows ready-made 93-character rows, each with its item data, to a bare list box with redrawing
// off and storage reserved, as the list command does, and prints "seconds=S rows=N".
int TimeListBoxFloor(int rows);
