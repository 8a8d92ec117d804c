// The rating test's independent reference: rates histories with openskill's
// Plackett-Luce model, each player a team of one, tau passed.
//
// stdin:  [[game, ...], ...]: histories, each game in the order played, a
//         game a list of [player, rank] (0 best, equal ranks tie)
// stdout: for each history, for each game, [mu, sigma] of each player after it
import { rate, rating } from 'openskill';
import { readFileSync } from 'node:fs';

const histories = JSON.parse(readFileSync(0, 'utf8'));
const out = histories.map((games) => {
  const skills = new Map();
  return games.map((game) => {
    const teams = game.map(([player]) => [skills.get(player) ?? rating()]);
    const rated = rate(teams, { rank: game.map(([, rank]) => rank), tau: 25 / 300 });
    return game.map(([player], i) => {
      skills.set(player, rated[i][0]);
      return [rated[i][0].mu, rated[i][0].sigma];
    });
  });
});
process.stdout.write(JSON.stringify(out));
