// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one job state, living for the whole process.
#include "app/JobState.h"

JobState Job;

void StartJob(JobState& job, const JobControls& controls)
{
    job.ResultList = controls.ResultList;
    job.StatusLine = controls.StatusLine;
    job.PatternMemo = controls.PatternMemo;
    job.LargerThanSpin = controls.LargerThanSpin;
    job.SmallerThanSpin = controls.SmallerThanSpin;
    job.AgeSpin = controls.AgeSpin;
    job.LogicGroup = controls.LogicGroup;
    job.OptionsGroup = controls.OptionsGroup;
    job.ResultsLabel = controls.ResultsLabel;
    job.KeepNewestSpin = controls.KeepNewestSpin;
    job.UntilFreeSpin = controls.UntilFreeSpin;
    job.Budgets = {};
    job.TotalCount = 0;
    job.MatchCount = 0;
    job.SkippedCount = 0;
    job.SkippedWork.clear();
    job.Outcomes = {};
    job.StartPath.clear();
    job.MarkedNotPurged.clear();
    job.RunState = RunState::Running;
    job.Stopped = false;
    job.Patterns = PatternLines();
    job.Limits.Watch(job.AgeSpin, job.LargerThanSpin, job.SmallerThanSpin);
}

void SkipWork(JobState& job, std::string reason, std::int32_t count)
{
    job.SkippedCount += count;
    if (job.SkippedWork.size() < SkippedWorkTextLimit)
        job.SkippedWork.push_back(std::move(reason));
}

std::string VolumeKey(const JobState& job)
{
    return job.ServerName + '\\' + job.VolumeName;
}
