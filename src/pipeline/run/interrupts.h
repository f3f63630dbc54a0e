// Interrupts (Ctrl-C, SIGTERM) during a run: once caught, a signal does not
// end the process but asks the run to stop between files, so that the files
// under way are finished and the run can say how far it got.
#ifndef XBTCONV_PIPELINE_RUN_INTERRUPTS_H_
#define XBTCONV_PIPELINE_RUN_INTERRUPTS_H_

namespace xbtconv {

/// From here on, SIGINT and SIGTERM ask the run to stop between files
/// instead of ending the process.
void catchInterrupts();
/// Whether an interrupt has asked the run to stop.
bool interruptRequested();
/// The signal that asked the run to stop; 0 for none.
int interruptSignal();

}  // namespace xbtconv

#endif  // XBTCONV_PIPELINE_RUN_INTERRUPTS_H_
