#pragma once
// Switches on SeDebugPrivilege in the process token, so that the scanner may
// open the processes of other users and of services. Failures are only
// written to standard output; start-up goes on in any case.
void EnableDebugPrivilege();
