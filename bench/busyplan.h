#pragma once

class ProjectDocument;

// The busy plan the benchmarks share, made in a project document: a room
// around a grid of 3 m × 2 m obstacles 10 m × 8 m apart (rectangles and
// ellipses in turn), over a plan image of 20 pixels a metre, with detectors on
// the obstacles' sides (up to two thirds of them) and then along the walls.
// The default, 30 detectors and 20 obstacles, is a 60 m × 40 m room with four
// rows of five obstacles. Every zone and label is computed, and the history
// starts from the plan.
void buildBusyPlan(ProjectDocument &document, int detectors = 30, int obstacles = 20);

// Loads the sample hall (examples/hall.prj of the source tree); false, with a
// line on stderr, when it cannot be loaded.
bool loadSampleHall(ProjectDocument &document);
