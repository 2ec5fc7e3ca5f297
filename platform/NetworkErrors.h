#pragma once

// Errors with which a share that does not answer fails any call, whatever
// the file: they say nothing of whether the file is there.
namespace NetworkErrors {

bool isUnreachable(int error);

} // namespace NetworkErrors
