// The program's one job state, living for the whole process.
#include "app/JobState.h"

JobState Job;
