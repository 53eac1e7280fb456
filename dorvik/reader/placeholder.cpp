// Placeholder until the first real source of this library exists; delete it then.
