// The end-to-end harness lives here.
