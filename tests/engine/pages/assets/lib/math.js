export const label = "math";
export function add(a, b) { return a + b; }
