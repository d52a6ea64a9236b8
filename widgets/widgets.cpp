// The widgets of the control library; each lives in its own source file.
