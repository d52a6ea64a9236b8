// The control library's one export: the factory of the drawing control.
