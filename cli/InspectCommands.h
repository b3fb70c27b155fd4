// tarnex-cli --info and --preview: a converted pair read back, as figures or as a picture.
#pragma once

// Each returns the exit status: 0 done, 1 a damaged pair or a failed write, 2 a usage error.
int RunInfo(int argc, char** argv);
int RunPreview(int argc, char** argv);
